#include "app/terminal_tuner.h"

#include <csignal>
#include <cstdio>
#include <string>

#include <pthread.h>
#include <unistd.h>

#include "midi/desktop_audio.h"
#include "pitch/pitch_estimator.h"
#include "pitch/reading_text.h"
#include "pitch/reference_pitch.h"
#include "tuner/listener.h"

namespace app {
namespace {

// From a five-string bass's low B to the first string's 24th fret.
constexpr double lowestNote = 23.0;   // B0
constexpr double highestNote = 88.0;  // E6

}  // namespace

const char* usageText() {
    return "Uporaba: tolmary [--listen [--a4 HZ] | --help]\n"
           "\n"
           "Brez možnosti odpre okno za uglaševanje kitare.\n"
           "\n"
           "  --listen  posluša mikrofon in za vsako odčitano višino tona izpiše vrstico\n"
           "            NOTA FREKVENCA_HZ CENTI, npr. \"E2 82.331 -1.64\": najbližjo noto,\n"
           "            frekvenco v hercih in odmik od note v centih, z decimalkami,\n"
           "            kolikor jih dopušča natančnost odčitka. Bere tone od B0 (30,9 Hz,\n"
           "            peta struna basa) do E6 (1318,5 Hz). Konča se ob Ctrl+C ali ko\n"
           "            mikrofona ni več.\n"
           "  --a4 HZ   z --listen: bere glede na komorni ton A4 = HZ hercev, celo\n"
           "            število od 415 do 466 (privzeto 440).\n"
           "  --help    izpiše to pomoč.\n";
}

int runTerminalTuner(int a4Hz) {
    // The signals that end the listening are taken by this thread alone, in sigwait() below;
    // the capture's thread, started later, inherits the mask. SIGUSR1 is the capture saying
    // that the microphone is gone.
    sigset_t endings;
    sigemptyset(&endings);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGUSR1})
        sigaddset(&endings, signal);
    pthread_sigmask(SIG_BLOCK, &endings, nullptr);

    std::string lostBecause;
    int received = 0;
    {
        tuner::Listener listener(
            midi::desktopMicrophone(), lowestNote + pitch::referenceOffsetCents(a4Hz) / 100.0,
            highestNote + pitch::referenceOffsetCents(a4Hz) / 100.0,
            [a4Hz](const pitch::Reading& reading) {
                // Named and measured against the reference; the frequency is the one heard.
                const double hz = pitch::toStandardPitch(reading.hz, a4Hz);
                const int note = pitch::nearestNote(hz);
                const double cents = pitch::centsBetween(hz, pitch::noteFrequencyHz(note));
                const std::string line =
                    pitch::terminalLine(note, reading.hz, cents, reading.spreadCents) + '\n';
                std::fputs(line.c_str(), stdout);
                std::fflush(stdout);
            },
            [&lostBecause](const std::string& why) {
                lostBecause = why;
                ::kill(::getpid(), SIGUSR1);
            });
        listener.start();
        sigwait(&endings, &received);
    }
    if (received != SIGUSR1)
        return 0;
    std::fprintf(stderr, "tolmary: Mikrofon ni na voljo. (%s)\n", lostBecause.c_str());
    return 1;
}

}  // namespace app
