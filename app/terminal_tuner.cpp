#include "app/terminal_tuner.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include "audio/desktop_audio.h"
#include "pitch/pitch_estimator.h"
#include "pitch/reading_text.h"
#include "pitch/reference_pitch.h"
#include "tuner/listener.h"

namespace app {
namespace {

// From a five-string bass's low B to the first string's 24th fret.
constexpr double lowestNote = pitch::LiveEstimator::lowestBassNote;
constexpr double highestNote = pitch::LiveEstimator::highestFrettedNote;

// Writes all of `text` to standard output; false, with errno set, where that fails.
bool writeOut(const std::string& text) {
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    return true;
}

int cannotWrite(int error) {
    std::fprintf(stderr, "tolmary: Ne morem pisati na standardni izhod. (%s)\n",
                 std::strerror(error));
    return 1;
}

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
    // A reader that goes away (`tolmary --listen | head -1`) shows as a failed write, not as a
    // signal that ends the process unannounced; an output that cannot be written to at all
    // ends the listening before it starts.
    std::signal(SIGPIPE, SIG_IGN);
    const int mode = ::fcntl(STDOUT_FILENO, F_GETFL);
    if (mode == -1)
        return cannotWrite(errno);
    if ((mode & O_ACCMODE) == O_RDONLY)
        return cannotWrite(EBADF);

    // The signals that end the listening are taken by this thread alone, through a signalfd;
    // the capture's thread, started later, inherits the mask. SIGUSR1 is the capture's thread
    // saying that the microphone is gone or that a reading could not be written.
    sigset_t endings;
    sigemptyset(&endings);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGUSR1})
        sigaddset(&endings, signal);
    pthread_sigmask(SIG_BLOCK, &endings, nullptr);
    const int signals = ::signalfd(-1, &endings, SFD_CLOEXEC);
    if (signals == -1) {
        std::fprintf(stderr, "tolmary: %s\n", std::strerror(errno));
        return 1;
    }

    std::string lostBecause;
    std::atomic<bool> lost{false};
    // The error of the first reading that could not be written; 0 while all were.
    std::atomic<int> writeError{0};
    bool readerGone = false;
    {
        tuner::Listener listener(
            audio::desktopMicrophone(), lowestNote + pitch::referenceOffsetCents(a4Hz) / 100.0,
            highestNote + pitch::referenceOffsetCents(a4Hz) / 100.0,
            [a4Hz, &writeError](const pitch::Reading& reading) {
                if (writeError.load() != 0)
                    return;
                // Named and measured against the reference; the frequency is the one heard.
                const double hz = pitch::toStandardPitch(reading.hz, a4Hz);
                const int note = pitch::nearestNote(hz);
                const double cents = pitch::centsBetween(hz, pitch::noteFrequencyHz(note));
                if (!writeOut(pitch::terminalLine(note, reading.hz, cents, reading.spreadCents) +
                              '\n')) {
                    writeError = errno;
                    ::kill(::getpid(), SIGUSR1);
                }
            },
            [&lostBecause, &lost](const std::string& why) {
                lostBecause = why;
                lost = true;
                ::kill(::getpid(), SIGUSR1);
            });
        listener.start();
        // Until a signal comes, or the reader of a pipe goes away (however quiet the room).
        pollfd waits[] = {{signals, POLLIN, 0}, {STDOUT_FILENO, 0, 0}};
        for (;;) {
            if (::poll(waits, 2, -1) < 0) {
                if (errno == EINTR)
                    continue;
                break;
            }
            if (waits[1].revents & (POLLERR | POLLHUP)) {
                readerGone = true;
                break;
            }
            if (waits[1].revents & POLLNVAL) {
                writeError = EBADF;
                break;
            }
            signalfd_siginfo received{};
            if ((waits[0].revents & POLLIN) &&
                ::read(signals, &received, sizeof received) == sizeof received)
                break;
        }
    }
    ::close(signals);
    // A reader gone is the listening's end, as Ctrl+C is.
    if (const int error = writeError.load(); error != 0)
        return error == EPIPE ? 0 : cannotWrite(error);
    if (readerGone || !lost.load())
        return 0;
    std::fprintf(stderr, "tolmary: Mikrofon ni na voljo. (%s)\n", lostBecause.c_str());
    return 1;
}

}  // namespace app
