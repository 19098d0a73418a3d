#pragma once
// The sounds of a verdict: a short high double tone for a pass, a long low
// one for a fail, so the technician need not look up from the board. The
// tones are written as WAV files at start-up; when the sound cannot be
// played, nothing else is held up.
#include <QTemporaryDir>
#include <memory>

class QSoundEffect;

namespace kvt {

// A mono 16-bit WAV file's bytes: `tones` beeps of `hertz` lasting `seconds`
// each, with gaps of the same length between them.
QByteArray ToneWav(double hertz, double seconds, int tones);

class BoardCue {
 public:
  BoardCue();
  ~BoardCue();
  void Play(bool pass);

 private:
  QTemporaryDir dir_;
  std::unique_ptr<QSoundEffect> pass_;
  std::unique_ptr<QSoundEffect> fail_;
};

}  // namespace kvt
