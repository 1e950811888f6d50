#include "SimLine.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "PtyMasterPort.h"
#include "SimLog.h"
#include "runtime/TermiosSerialPort.h"

namespace vadrix::sim {
namespace {

constexpr int kTtyPort = 1;

bool MakeLink(const std::string& link, const std::string& target, std::string& error) {
    std::error_code ec;
    // Replace only an old link, never a file of the user's.
    if (std::filesystem::is_symlink(link, ec)) std::filesystem::remove(link, ec);
    if (::symlink(target.c_str(), link.c_str()) != 0) {
        error = "cannot make the link " + link + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace

std::vector<cli::OptionSpec> LineOptions() {
    return {
        {"--tty", "", true}, {"--pty", "", false}, {"--link", "", true}, {"--quiet", "-q", false}};
}

SimLine::~SimLine() {
    if (port_) port_->Close();
    if (!link_.empty()) ::unlink(link_.c_str());
}

bool SimLine::Open(const cli::CommandLine& args, const SerialSettings& settings,
                   std::string& error) {
    SetQuiet(args.Has("--quiet"));
    const auto tty = args.Value("--tty");
    const bool pty = args.Has("--pty");
    if (tty.has_value() == pty) {
        error = "give either --tty PATH or --pty";
        return false;
    }
    if (pty) {
        auto master = std::make_unique<PtyMasterPort>();
        if (!master->Create(error)) return false;
        master->Apply(settings);
        device_ = master->SlavePath();
        port_ = std::move(master);
    } else {
        table_.Override(kTtyPort, *tty);
        auto port = std::make_unique<TermiosSerialPort>(table_);
        if (!port->Open(kTtyPort, settings, error)) return false;
        device_ = *tty;
        port_ = std::move(port);
    }
    if (const auto link = args.Value("--link")) {
        if (!MakeLink(*link, device_, error)) return false;
        link_ = *link;
    }
    if (pty) {
        std::printf("pty: %s\n", device_.c_str());
        std::fflush(stdout);
    }
    SimLog("line %s%s%s", device_.c_str(), link_.empty() ? "" : " as ", link_.c_str());
    return true;
}

}  // namespace vadrix::sim
