#pragma once
// A port library loaded by file for the benchmarks, as the program loads it,
// with its two calls resolved; a library that also answers PortAccessError
// must grant the data port. Anything missing ends the benchmark.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

namespace kvt {

using OutFn = int (*)(int, int);
using InFn = int (*)(int);

struct PortLibrary {
  OutFn out = nullptr;
  InFn in = nullptr;
  PortLibrary(const char* file, int dataPort) {
    void* handle = dlopen(file, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      std::fprintf(stderr, "%s\n", dlerror());
      std::exit(1);
    }
    out = reinterpret_cast<OutFn>(dlsym(handle, "OutPort"));
    in = reinterpret_cast<InFn>(dlsym(handle, "InPort"));
    if (!out || !in) std::exit(1);
    using AccessFn = int (*)(int, char*, int);
    if (auto access = reinterpret_cast<AccessFn>(dlsym(handle, "PortAccessError"))) {
      char message[1024];
      if (access(dataPort, message, sizeof message)) {
        std::fprintf(stderr, "%s\n", message);
        std::exit(1);
      }
    }
  }
};

// The simulated instrument with its built-in set-up (no control file unless
// the caller names one).
inline PortLibrary& SimulatedLibrary(const char* file, int dataPort) {
  static PortLibrary library = [&] {
    setenv("KVT_SIM_CONFIG", "/nonexistent/kvt_sim.txt", 0);
    return PortLibrary(file, dataPort);
  }();
  return library;
}

}  // namespace kvt
