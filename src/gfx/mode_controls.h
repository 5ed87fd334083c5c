#pragma once
// The two combo boxes of the configuration dialog that the device enumerator fills, as the small
// interface it needs. The real dialog implements it over its widgets; tests use a recording fake.

#include <string>

namespace vm::gfx {

constexpr int kModeCombo = 1011;
constexpr int kMultisampleCombo = 1047;

class ModeControls {
public:
    virtual ~ModeControls() = default;
    virtual void resetContent(int control) = 0;
    // Returns the new item's index.
    virtual int addString(int control, const std::string& text) = 0;
    virtual void setItemData(int control, int item, long data) = 0;
    virtual void setCurSel(int control, int item) = 0;
};

}  // namespace vm::gfx
