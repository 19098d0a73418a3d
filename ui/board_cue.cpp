#include "ui/board_cue.h"

#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QUrl>
#include <QtEndian>
#include <cmath>
#include <numbers>

#ifdef KVT_HAVE_MULTIMEDIA
#include <QSoundEffect>
#endif

namespace kvt {

namespace {

constexpr int SampleRate = 22050;

void Put32(QByteArray& bytes, quint32 value) {
  const quint32 le = qToLittleEndian(value);
  bytes.append(reinterpret_cast<const char*>(&le), 4);
}
void Put16(QByteArray& bytes, quint16 value) {
  const quint16 le = qToLittleEndian(value);
  bytes.append(reinterpret_cast<const char*>(&le), 2);
}

}  // namespace

QByteArray ToneWav(double hertz, double seconds, int tones) {
  const int toneSamples = static_cast<int>(seconds * SampleRate);
  const int samples = toneSamples * (2 * tones - 1);
  QByteArray bytes;
  bytes.append("RIFF");
  Put32(bytes, 36 + samples * 2);
  bytes.append("WAVEfmt ");
  Put32(bytes, 16);
  Put16(bytes, 1);  // PCM
  Put16(bytes, 1);  // mono
  Put32(bytes, SampleRate);
  Put32(bytes, SampleRate * 2);
  Put16(bytes, 2);
  Put16(bytes, 16);
  bytes.append("data");
  Put32(bytes, samples * 2);
  for (int i = 0; i < samples; ++i) {
    const int inTone = i % (2 * toneSamples);
    double value = 0;
    if (inTone < toneSamples) {
      // Faded in and out over 5 ms, so the tone does not click.
      const double fade = std::min({1.0, inTone / (0.005 * SampleRate), (toneSamples - inTone) / (0.005 * SampleRate)});
      value = 0.5 * fade * std::sin(2 * std::numbers::pi * hertz * inTone / SampleRate);
    }
    Put16(bytes, static_cast<quint16>(static_cast<qint16>(std::lround(value * 32767))));
  }
  return bytes;
}

BoardCue::BoardCue() {
#ifdef KVT_HAVE_MULTIMEDIA
  const auto effect = [this](const QString& name, const QByteArray& wav) -> std::unique_ptr<QSoundEffect> {
    if (!dir_.isValid()) return nullptr;
    QFile file(dir_.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(wav) != wav.size()) return nullptr;
    file.close();
    auto sound = std::make_unique<QSoundEffect>();
    sound->setSource(QUrl::fromLocalFile(file.fileName()));
    sound->setVolume(0.6f);
    return sound;
  };
  pass_ = effect("pass.wav", ToneWav(1320, 0.07, 2));
  fail_ = effect("fail.wav", ToneWav(330, 0.45, 1));
#endif
}

BoardCue::~BoardCue() = default;

void BoardCue::Play(bool pass) {
#ifdef KVT_HAVE_MULTIMEDIA
  QSoundEffect* sound = pass ? pass_.get() : fail_.get();
  if (sound && sound->status() != QSoundEffect::Error) {
    sound->play();
    return;
  }
#endif
  // No sound device or no multimedia: the system's bell, for a fail only,
  // so the two still differ.
  if (!pass) QApplication::beep();
}

}  // namespace kvt
