#include "text/string_speech.h"

#include <espeak-ng/speak_lib.h>

#include <QByteArrayList>
#include <QStringDecoder>
#include <cstring>
#include <mutex>

namespace {

// Selects the synthesizer's first English voice (in its own order of
// preference); false when there is none.
bool selectFirstEnglishVoice() {
  espeak_VOICE wanted;
  std::memset(&wanted, 0, sizeof wanted);
  wanted.languages = "en";
  const espeak_VOICE** voices = espeak_ListVoices(&wanted);
  if (!voices || !voices[0] || !voices[0]->name) return false;
  return espeak_SetVoiceByName(voices[0]->name) == EE_OK;
}

// The synthesizer keeps global state and hangs when shut down and started
// again within one process, and loading a voice takes tens of milliseconds,
// so both happen once, on first use, and are kept. Answers whether it is usable.
bool synthesizerReady() {
  static const bool ready =
      espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT) > 0 &&
      selectFirstEnglishVoice();
  return ready;
}

}  // namespace

namespace Tirr_NSStringAdditions {

std::optional<QString> phonemes(const QString& receiver) {
  static std::mutex engine;
  const std::lock_guard lock(engine);
  if (!synthesizerReady()) return std::nullopt;

  // The synthesizer reads zero-terminated text one clause at a time; a zero
  // inside the text would end it early, so each zero-free run goes separately.
  QByteArray out;
  const QByteArray bytes = receiver.toUtf8();
  for (const QByteArray& run : bytes.split('\0')) {
    if (run.isEmpty()) continue;
    const void* next = run.constData();  // QByteArray keeps a terminating zero
    while (next) {
      const char* clause = espeak_TextToPhonemes(&next, espeakCHARS_UTF8, 0);
      if (!clause || !*clause) continue;
      if (!out.isEmpty()) out += ' ';
      out += clause;
    }
  }
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString result = decoder(out);
  if (decoder.hasError()) return std::nullopt;
  return result;
}

}  // namespace Tirr_NSStringAdditions
