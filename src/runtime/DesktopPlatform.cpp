#include "runtime/DesktopPlatform.h"

#include <QCoreApplication>
#include <QSettings>
#include <QString>
#include <cstdlib>

namespace vadrix {

namespace {

// An XDG base directory: the variable when it holds an absolute path, else the fallback
// below the home directory.
std::filesystem::path XdgDirectory(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] == '/') return value;
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home != nullptr ? home : "/tmp") / fallback;
}

constexpr const char* kDataDirectoryKey = "DataDirectory";

}  // namespace

DesktopPlatform::DesktopPlatform()
    : configHome(XdgDirectory("XDG_CONFIG_HOME", ".config")),
      dataHome(XdgDirectory("XDG_DATA_HOME", ".local/share")),
      lockDirectory(InstanceLock::DefaultDirectory()) {}

std::filesystem::path DesktopPlatform::ExecutablePath() {
    if (QCoreApplication::instance() != nullptr)
        return QCoreApplication::applicationFilePath().toStdString();
    std::error_code ec;
    return std::filesystem::read_symlink("/proc/self/exe", ec);
}

std::filesystem::path DesktopPlatform::ConfigFile() const {
    return configHome / "Tavrel" / "DemoQ5.conf";
}

std::string DesktopPlatform::ReadDataDirectory() {
    const QSettings conf(QString::fromStdString(ConfigFile().string()), QSettings::IniFormat);
    return conf.value(kDataDirectoryKey).toString().toStdString();
}

void DesktopPlatform::WriteDataDirectory(const std::string& dir) {
    QSettings conf(QString::fromStdString(ConfigFile().string()), QSettings::IniFormat);
    conf.setValue(kDataDirectoryKey, QString::fromStdString(dir));
    conf.sync();
}

std::filesystem::path DesktopPlatform::ApplicationDataFolder() {
    return dataHome;
}

std::vector<std::string> DesktopPlatform::ProgramFilesFolders() {
    return {"/usr/", "/opt/"};
}

int DesktopPlatform::AcquireInstanceSlot() {
    return lock_.Acquire(lockDirectory);
}

}  // namespace vadrix
