# Fails when a source file includes a header of a layer above its own.
# Layers, lowest first: core; plot, files, device, analysis; library (the
# parts database, on analysis), report; ui, cli; app.
# portio and simulator stand apart and include nothing of the program; cli
# checks the simulated instrument's control file with the simulator's reader.
cmake_minimum_required(VERSION 3.25)

set(allowed_core core)
set(allowed_plot core plot)
set(allowed_files core files)
set(allowed_device core device portio)
set(allowed_analysis core analysis)
set(allowed_library core analysis library)
set(allowed_report core plot files analysis report)
set(allowed_ui core plot files device analysis library report ui)
set(allowed_cli core plot files device analysis library report cli simulator)
set(allowed_app core plot files device analysis library report ui app)
set(allowed_portio portio)
set(allowed_simulator simulator)

set(failures "")
foreach(layer core plot files device analysis library report ui cli app portio simulator)
  file(GLOB_RECURSE sources LIST_DIRECTORIES false
       "${ROOT}/${layer}/*.h" "${ROOT}/${layer}/*.cpp" "${ROOT}/${layer}/*.c")
  foreach(source IN LISTS sources)
    file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"[a-z_]+/")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[^\"]*\"([a-z_]+)/.*$" "\\1" target "${line}")
      if(NOT target IN_LIST allowed_${layer})
        file(RELATIVE_PATH name "${ROOT}" "${source}")
        string(APPEND failures "  ${name}: ${line}\n")
      endif()
    endforeach()
  endforeach()
endforeach()
if(failures)
  message(FATAL_ERROR "Includes that run up the layers:\n${failures}")
endif()
