#pragma once
// The command line of "zelvan --headless": read into plain values, with a
// message naming the first thing that is wrong.
#include "sim/replay/channels/output_target.h"
#include "sim/rig/sentence_rig.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>

namespace zelvan {

struct HeadlessOptions {
    QString file;
    // A route followed at a set speed instead of a file replayed (--route, --speed).
    QString route;
    double speedMps = 0;
    int paceIndex = 4;               // Abstand(0..7): x8 x4 x2 cont 1s 2s 4s 8s
    std::optional<double> fileFactor; // pacing by the file's times, at this speed
    std::array<bool, 7> data{true, true, true, true, true, true, true}; // RMC GGA VTG RMB GSA GSV OTH
    bool equ = false;
    bool autoSkip = false;
    bool loop = false;
    std::int32_t startRecord = 0;
    QList<OutputTarget> outputs;       // standard output when none is given
    QString home;
    bool quiet = false;
    // Live time and injected faults (--time, --faults, --seed); --verbose
    // reports every fault.
    RigOptions rig;
    bool verbose = false;
    bool help = false;
    bool version = false;
};

struct HeadlessParse {
    std::optional<HeadlessOptions> options;
    QString error; // set when options is empty
};

// The arguments after the program's name; "--headless" itself is passed over.
// Options take their value as the next argument or after "=".
HeadlessParse parseHeadlessOptions(const QStringList& arguments);

// --pace's value: the Abstand index, or the file pacing factor.
struct PaceChoice {
    int index = 4;
    std::optional<double> fileFactor;
};
std::optional<PaceChoice> parsePace(const QString& text);

// --speed's value: a number with kn, kmh (the default) or ms after it, more
// than 0; metres per second, or none with the reason.
std::optional<double> parseSpeed(const QString& text, QString* error = nullptr);

QString headlessUsage();

} // namespace zelvan
