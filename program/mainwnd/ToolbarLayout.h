#pragma once

#include "commands/CommandIds.h"
#include "commands/InputTables.h"
#include "model/ModelInfo2.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// One entry of the toolbar, in toolbar order.
struct ToolbarItem {
    bool separator = false;
    int commandId = 0;  // 0 for a separator
    bool check = false; // a check button: it shows pressed while its input is the current one
    std::string text;   // the button's text; empty for none (a single blank is a text)

    bool operator==(const ToolbarItem&) const = default;
};

// Everything the window needs to render one rebuild of its toolbar.
struct ToolbarLayout {
    int resourceId = 0;  // the button set the rebuild started from (176 ... 190)
    int imagePixels = 0; // 24, 32 or 48
    std::vector<ToolbarItem> items;
    int buttonCount = 0;       // buttons and separators kept: the record's ToolbarButtonCount
    int volumeButtonIndex = 0; // toolbar index of Volume, 0 when it is hidden
    int labelCount = 0;        // input buttons that carry their own label

    // Labels make the buttons taller: toolbar and window grow by this many pixels.
    static constexpr int kLabelGrowth = 12;
    bool LabelsExist() const { return labelCount > 0; }
    int ExtraHeight() const { return LabelsExist() ? kLabelGrowth : 0; }
    // Nothing left: the window hides and stays hidden until a rebuild keeps a button.
    bool NothingLeft() const { return buttonCount == 0; }
};

// The toolbar resource of a layout and icon size, and the pixel size of its images. IconSize 1 is offered as 36x36 but
// has 32-pixel images; any value but 0 and 1 takes the 48-pixel set.
int ToolbarResourceId(InputLayout layout, int32_t iconSize);
int ToolbarImagePixels(int32_t iconSize);

// A short input label cut to what fits under a button of this icon size (4, 6 or 8
// characters), as buttons and tooltips show it.
std::string CutInputLabel(std::string_view label, int32_t iconSize);

// The buttons of a toolbar resource before any is removed: head, the whole input group in
// position order, tail.
std::vector<ToolbarItem> LoadButtonSet(InputLayout layout);

// The rebuild: removes the buttons the record hides and puts the shown input sources back
// in the order of the record's input list with their labels. The model's id picks the
// layout; the second form takes it from the caller.
ToolbarLayout BuildToolbarLayout(const CModelInfo2& model);
ToolbarLayout BuildToolbarLayout(const CModelInfo2& model, InputLayout layout);

// Tooltip text of a command id; empty when no rule names the id. The model's id picks the
// input table.
std::string ToolbarTipText(int commandId, const CModelInfo2& model);
// The same into a caller's buffer of `size` bytes, cut on a character boundary; writes
// nothing when the id has no text.
void GetToolbarTipText(int commandId, const CModelInfo2& model, char* buffer, std::size_t size);

} // namespace orvane
