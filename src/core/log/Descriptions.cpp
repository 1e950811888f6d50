#include "log/Descriptions.h"

namespace vadrix {

int Descriptions::Find(int, int, bool) const {
    return -1;
}
std::string_view Descriptions::Name(int) const {
    return {};
}
int Descriptions::Class(int) const {
    return 0;
}
DescColourPair Descriptions::Colours(int) const {
    return {};
}

bool LoadDescriptions(Context&, Descriptions&, const std::filesystem::path&) {
    return false;
}

int DeriveClass(int, int, int, bool, int) {
    return -1;
}

}  // namespace vadrix
