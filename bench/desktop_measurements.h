#pragma once
// The desktop bench's measurements, one source file each: what each measures on the running
// program and the rows of the table it prints.

#include <optional>
#include <string>
#include <vector>

#include "bench/desktop_listening.h"
#include "bench/desktop_session.h"
#include "bench/process_load.h"
#include "tests/support/monitor_recorder.h"

namespace bench {

// Start to window shown, tolmary beside a bare Qt window.
struct StartFigures {
    Spread tolmaryMapped, tolmaryPainted;
    Spread bareMapped, barePainted;
};
StartFigures measureStart(Desktop& desktop);
void printStart(const StartFigures& f);

// The window open and silent, then holding a note.
struct CostFigures {
    bool ok = false;
    LoadFigures idle;
    LoadFigures note;
    double noteSeconds = 0;
};
CostFigures measureCost(Desktop& desktop);
void printCost(const CostFigures& f);

// The window silent with the pointer resting on a string button.
struct HoverFigures {
    bool ok = false;
    LoadFigures parked;
};
HoverFigures measureHover(Desktop& desktop);
void printHover(const HoverFigures& f);

// Note-on to the first sample in the server.
struct LatencyFigures {
    Spread warm;
    Spread afterSilence;
    int missed = 0;
};
LatencyFigures measureLatency(Desktop& desktop, int notes);
void printLatency(const LatencyFigures& f);

// Gaps inside a recorded note, at rest and under load.
struct DropoutFigures {
    std::optional<harness::GapCount> rest;
    std::optional<harness::GapCount> loaded;
};
DropoutFigures measureDropouts(Desktop& desktop);
void printDropouts(const DropoutFigures& f);

// `tolmary --listen` hearing plucks, silence and empty rooms.
struct ListeningCost {
    bool ok = false;
    LoadFigures plucks;
    LoadFigures silence;
    LoadFigures laptopRoom;
    LoadFigures phoneRoom;
    // The laptop's room again, another client recording the same source in small fragments.
    LoadFigures laptopRoomBesideRecorder;
    std::vector<Heard> roomReadings;
    double readingsPerSecond = 0;
};
ListeningCost measureListeningCost(Desktop& desktop);
void printListeningCost(const ListeningCost& f);

// The listening window hearing plucks: the whole tuner process.
// Where the window's guitar is played: into a microphone of its own (a second sink, whose
// monitor is the default source), or into the sink the synth plays on.
enum class MicrophoneDevice { own, speakersMonitor };
std::optional<LoadFigures> measureListeningWindow(Desktop& desktop, MicrophoneDevice device);
void printListeningWindow(const std::optional<LoadFigures>& speakersMonitor,
                          const std::optional<LoadFigures>& ownMicrophone);

// The notes the window plays, read back by `tolmary --listen`.
struct LoopNote {
    int note = 0;
    int readings = 0;
    // The median reading's deviation from the note.
    double cents = 0;
};

struct LoopRun {
    std::string tuning;
    std::string sound;
    int a4 = 440;
    std::vector<LoopNote> notes;
    // The window showed the tuning and sound asked for (it stores them back on closing).
    bool settingsTaken = false;
};
std::vector<LoopRun> measureClosedLoop(Desktop& desktop);
void printClosedLoop(const std::vector<LoopRun>& runs);

}  // namespace bench
