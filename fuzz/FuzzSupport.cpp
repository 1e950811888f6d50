#include "FuzzSupport.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <new>
#include <string>

namespace vadrix::fuzz {

namespace {

TTextTable LoadTexts() {
    TTextTable t;
    const TextLoadResult r = t.LoadFile(std::string(VADRIX_SOURCE_DIR) + "/lang/Q5Text.usa");
    if (!r.ok()) {
        std::fprintf(stderr, "fuzz: the language file cannot be read: %s\n", r.message.c_str());
        std::abort();
    }
    return t;
}

// In memory where the system has such a folder: the writers sync every file they finish,
// which on a disk costs more than the whole run of an input.
std::filesystem::path TempBase() {
    std::error_code ec;
    if (std::filesystem::is_directory("/dev/shm", ec)) return "/dev/shm";
    return std::filesystem::temp_directory_path();
}

// Removes the folder at exit, also after libFuzzer's own exit.
struct Folder {
    Folder() {
        std::string pattern = (TempBase() / "vadrix-fuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("fuzz: mkdtemp");
            std::abort();
        }
        path = pattern;
    }
    ~Folder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::filesystem::path path;
};

}  // namespace

const TTextTable& Texts() {
    static const TTextTable texts = LoadTexts();
    return texts;
}

namespace {

// The context is several hundred kilobytes: a fresh allocation per input costs more in page
// faults than most runs. One slot of memory is kept and a new context built in it each time.
struct ContextSlot {
    void* memory = ::operator new (sizeof(Context), std::align_val_t{alignof(Context)});
    bool taken = false;
};

ContextSlot& Slot() {
    static ContextSlot slot;
    return slot;
}

}  // namespace

FuzzContext::FuzzContext() {
    Build(clock, loop);
}

FuzzContext::FuzzContext(Clock& otherClock, EventLoop& otherLoop) {
    Build(otherClock, otherLoop);
}

void FuzzContext::Build(Clock& useClock, EventLoop& useLoop) {
    ContextSlot& slot = Slot();
    inSlot_ = !slot.taken;
    if (inSlot_) {
        slot.taken = true;
        ctx = new (slot.memory) Context(useClock, useLoop, ui);
    } else {
        ctx = new Context(useClock, useLoop, ui);
    }
    ctx->texts = Texts();
}

FuzzContext::~FuzzContext() {
    if (!inSlot_) {
        delete ctx;
        return;
    }
    ctx->~Context();
    Slot().taken = false;
}

const std::filesystem::path& TempFolder() {
    static const Folder folder;
    return folder.path;
}

std::filesystem::path WriteTemp(std::string_view name, std::span<const std::uint8_t> bytes) {
    const std::filesystem::path file = TempFolder() / name;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "fuzz: cannot write %s\n", file.c_str());
        std::abort();
    }
    return file;
}

TTelegram SampleTelegram() {
    TTelegram rec{};
    rec.Status = 40;
    rec.Source = 1;
    rec.Kind = 3;
    rec.Time = 46000.5;
    const std::uint8_t frame[] = {0x68, 0x0A, 0x0A, 0x68, 0x01, 0x21, 0x00, 0x02,
                                  0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x3F, 0x16};
    std::copy(std::begin(frame), std::end(frame), rec.Frame);
    rec.FrameLen = sizeof frame;
    return rec;
}

void Require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "fuzz: property broken: %s\n", what);
    std::abort();
}

}  // namespace vadrix::fuzz
