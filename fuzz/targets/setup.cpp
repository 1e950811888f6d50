// Assignments given to vadrix-cli setup: read as 'key = value' lines, applied field by field
// to the program's default set-up and checked together, exactly as the command does; a
// change that is taken is listed, and the listing fed back gives the same set-up.

#include <cstring>

// The readers live in the command's own file, inside its unnamed namespace.
#include "SetupCommand.cpp"

#include "FuzzSupport.h"

namespace {

using namespace vadrix;
using namespace vadrix::cli;

struct Defaults {
    fuzz::FuzzContext fc;
    std::unique_ptr<SetUpFields> fields;
    std::unique_ptr<SetUpImage> image;
    Defaults() {
        UseDefaults(*fc);
        fields = std::make_unique<SetUpFields>(*fc);
        image = ImageOf(*fc);
    }
};

// The fields and the default set-up depend on the texts alone: made once, never changed.
const Defaults& Start() {
    static const Defaults d;
    return d;
}

std::vector<Assignment> ListingAsAssignments(const std::string& listing) {
    std::vector<Assignment> out;
    std::string_view rest = listing;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = TrimBlanks(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
        if (line.empty() || line.front() == '#') continue;
        Assignment a;
        fuzz::Require(SplitAssignment(line, a), "every listed line is an assignment");
        out.push_back(std::move(a));
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path list = fuzz::WriteTemp("assignments.txt", {data, size});
    std::vector<Assignment> assignments;
    std::string error;
    if (!ReadAssignments(list.string(), assignments, error)) return 0;
    const Defaults& d = Start();
    auto image = std::make_unique<SetUpImage>(*d.image);
    if (!Apply(*image, *d.fields, assignments).empty()) return 0;
    DeriveFields(*image);

    // What was taken, listed and fed back to the defaults, makes the same set-up.
    const std::string listing = Listing(*image, *d.fields, false);
    auto again = std::make_unique<SetUpImage>(*d.image);
    fuzz::Require(Apply(*again, *d.fields, ListingAsAssignments(listing)).empty(),
                  "the listing of a set-up is taken back");
    DeriveFields(*again);
    fuzz::Require(std::memcmp(again.get(), image.get(), sizeof(SetUpImage)) == 0,
                  "the listing fed back gives the same set-up");
    return 0;
}
