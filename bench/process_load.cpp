#include "bench/process_load.h"

#include <dirent.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

namespace bench {
namespace {

// Voluntary plus nonvoluntary context switches from a task's status file.
long long contextSwitches(const std::string& statusPath) {
    std::ifstream in(statusPath);
    long long sum = 0;
    std::string line;
    while (std::getline(in, line))
        if (line.starts_with("voluntary_ctxt_switches:") ||
            line.starts_with("nonvoluntary_ctxt_switches:"))
            sum += std::stoll(line.substr(line.find(':') + 1));
    return sum;
}

}  // namespace

ProcessLoad readProcessLoad(pid_t pid) {
    ProcessLoad load;
    load.at = Clock::now();
    const std::string base = "/proc/" + std::to_string(pid);
    std::ifstream stat(base + "/stat");
    std::string text;
    std::getline(stat, text);
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos)
        return load;
    // After the command name: state is field 3, utime 14 and stime 15.
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    long long utime = 0, stime = 0;
    for (int number = 3; number <= 15 && fields >> field; ++number) {
        if (number == 14)
            utime = std::stoll(field);
        if (number == 15)
            stime = std::stoll(field);
    }
    load.ticks = utime + stime;

    DIR* tasks = ::opendir((base + "/task").c_str());
    if (!tasks)
        return load;
    while (const dirent* entry = ::readdir(tasks)) {
        if (entry->d_name[0] == '.')
            continue;
        const std::string task = base + "/task/" + entry->d_name;
        const long long switches = contextSwitches(task + "/status");
        load.switches += switches;
        if (std::to_string(pid) == entry->d_name)
            load.mainSwitches = switches;
        std::ifstream schedstat(task + "/schedstat");
        long long ns = 0;
        if (schedstat >> ns)
            load.runNs += ns;
        ++load.threads;
    }
    ::closedir(tasks);
    load.valid = load.threads > 0;
    return load;
}

LoadFigures loadBetween(const ProcessLoad& from, const ProcessLoad& to) {
    LoadFigures f;
    const double seconds = std::chrono::duration<double>(to.at - from.at).count();
    if (seconds <= 0 || !from.valid || !to.valid)
        return f;
    const double tick = double(::sysconf(_SC_CLK_TCK));
    f.cpuPercent = 100.0 * double(to.ticks - from.ticks) / tick / seconds;
    f.preciseCpuPercent = 100.0 * double(to.runNs - from.runNs) / 1e9 / seconds;
    f.wakeupsPerSecond = double(to.switches - from.switches) / seconds;
    f.mainWakeupsPerSecond = double(to.mainSwitches - from.mainSwitches) / seconds;
    f.threads = to.threads;
    return f;
}

}  // namespace bench
