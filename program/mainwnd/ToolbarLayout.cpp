#include "mainwnd/ToolbarLayout.h"

#include "catalog/MessageCatalog.h"
#include "catalog/MessageFormat.h"
#include "config/ChannelLabel.h"

#include <cstring>

namespace orvane {

namespace {

// Resource ids by layout (default, wide, compact) and icon-size column.
constexpr int kResourceIds[3][3] = {{176, 178, 181}, {185, 186, 187}, {188, 189, 190}};

ToolbarItem Button(int commandId) {
    ToolbarItem item;
    item.commandId = commandId;
    return item;
}

ToolbarItem Separator() {
    ToolbarItem item;
    item.separator = true;
    return item;
}

// TB_DELETEBUTTON and TB_INSERTBUTTON leave the toolbar alone for an index out of range.
void DeleteAt(std::vector<ToolbarItem>& bar, int at) {
    if (at >= 0 && at < static_cast<int>(bar.size()))
        bar.erase(bar.begin() + at);
}

void InsertAt(std::vector<ToolbarItem>& bar, int at, ToolbarItem item) {
    if (at >= 0 && at <= static_cast<int>(bar.size()))
        bar.insert(bar.begin() + at, std::move(item));
}

} // namespace

int ToolbarResourceId(InputLayout layout, int32_t iconSize) {
    int row = layout == InputLayout::Wide ? 1 : (layout == InputLayout::Compact ? 2 : 0);
    int column = iconSize == 0 ? 0 : (iconSize == 1 ? 1 : 2);
    return kResourceIds[row][column];
}

int ToolbarImagePixels(int32_t iconSize) {
    return iconSize == 0 ? 24 : (iconSize == 1 ? 32 : 48);
}

std::string CutInputLabel(std::string_view label, int32_t iconSize) {
    return CutLabel(label, LabelLengthForIconSize(iconSize));
}

std::vector<ToolbarItem> LoadButtonSet(InputLayout layout) {
    const int groupSize = InputButtonCount(layout);
    std::vector<ToolbarItem> bar{Button(kCmdConfig), Separator(), Button(kCmdPowerOn), Button(kCmdPowerOff),
                                 Separator()};
    // The group holds one button per position; the first row of a position gives its id.
    std::vector<int> group(static_cast<std::size_t>(groupSize), 0);
    for (const InputRow& row : InputTable(layout)) {
        if (row.position >= 0 && row.position < groupSize && group[row.position] == 0)
            group[row.position] = row.commandId;
    }
    for (int id : group)
        bar.push_back(Button(id));
    for (int id : {0, kCmdBlankOn, kCmdBlankOff, kCmdVolume, kCmdMute, kCmdFreezeOn, kCmdFreezeOff, kCmdAdvance,
                   kCmdImageSend, 0, kCmdAbout})
        bar.push_back(id == 0 ? Separator() : Button(id));
    return bar;
}

ToolbarLayout BuildToolbarLayout(const CModelInfo2& model) {
    return BuildToolbarLayout(model, InputLayoutForModel(model.ModelID));
}

ToolbarLayout BuildToolbarLayout(const CModelInfo2& m, InputLayout layout) {
    const std::span<const InputRow> rows = InputTable(layout);
    ToolbarLayout out;
    out.resourceId = ToolbarResourceId(layout, m.IconSize);
    out.imagePixels = ToolbarImagePixels(m.IconSize);
    std::vector<ToolbarItem> bar = LoadButtonSet(layout);

    // Head: Config with its separator, the two power buttons, the separator before the inputs.
    int i = 0;
    if (m.ToolbarConfig == 0) {
        DeleteAt(bar, 0);
        DeleteAt(bar, 0);
    } else {
        i = 2;
    }
    for (int32_t flag : {m.ToolbarPowerOn, m.ToolbarPowerOff}) {
        if (flag != 0) {
            ++i;
        } else {
            DeleteAt(bar, i);
        }
    }
    ++i;

    // The input group is taken out whole and put back in the order of the record's list.
    std::vector<ToolbarItem> snapshot(rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        int at = i + rows[r].position;
        if (at >= 0 && at < static_cast<int>(bar.size()))
            snapshot[r] = bar[at];
    }
    for (int k = 0, n = InputButtonCount(layout); k < n; ++k)
        DeleteAt(bar, i);

    const int inputs = ClampCount(m.InputNum, CModelInfo2::kInputCapacity);
    int shownMatches = 0;
    for (int c = 0; c < inputs; ++c) {
        for (const InputRow& row : rows) {
            if (SameInputName(FieldText(m.InputName[c]), row.name) && m.InputShow[c] == 1)
                ++shownMatches;
        }
    }
    if (shownMatches == 0) {
        --i;
        DeleteAt(bar, i);
        DeleteAt(bar, i);
    } else {
        int labelled = 0;
        for (int c = 0; c < inputs; ++c) {
            if (m.InputNameView[c][0] != '\0')
                ++labelled;
        }
        for (int c = 0; c < inputs; ++c) {
            if (m.InputShow[c] != 1)
                continue;
            std::size_t r = 0;
            while (r < rows.size() && !SameInputName(FieldText(m.InputName[c]), rows[r].name))
                ++r;
            if (r == rows.size())
                continue;
            ToolbarItem button = snapshot[r];
            button.check = true;
            const std::string label = FieldText(m.InputNameView[c]);
            if (!label.empty()) {
                button.text = CutInputLabel(label, m.IconSize);
                ++out.labelCount;
            } else if (labelled == 1) {
                // One label alone would make its button taller than the others; a blank
                // gives every input button the same text row.
                button.text.assign(1, ' ');
            }
            InsertAt(bar, i, std::move(button));
            ++i;
        }
        ++i;
    }

    // Tail, then the About button with its separator.
    const int32_t tail[] = {m.ToolbarBlankOn,  m.ToolbarBlankOff,  m.ToolbarVolume,  m.ToolbarMute,
                            m.ToolbarFreezeOn, m.ToolbarFreezeOff, m.ToolbarAdvance, m.ToolbarImgSend};
    constexpr int kVolumeInTail = 2;
    for (int k = 0; k < 8; ++k) {
        if (tail[k] != 0) {
            if (k == kVolumeInTail)
                out.volumeButtonIndex = i;
            ++i;
        } else {
            DeleteAt(bar, i);
        }
    }
    if (m.ToolbarAbout != 0) {
        i += 2;
    } else {
        DeleteAt(bar, i);
        DeleteAt(bar, i);
    }

    out.buttonCount = i;
    out.items = std::move(bar);
    return out;
}

std::string ToolbarTipText(int commandId, const CModelInfo2& m) {
    switch (commandId) {
    case kCmdConfig:
        return CatalogText(kCatalogSetUi, 2);
    case kCmdPowerOn:
        return CatalogText(kCatalogSetUi, 16);
    case kCmdPowerOff:
        return CatalogText(kCatalogSetUi, 17);
    default:
        break;
    }
    if (commandId != 0) {
        for (const InputRow& row : InputTableForModel(m.ModelID)) {
            if (row.commandId != commandId)
                continue;
            // The first row of the id names the button, also where later rows alias it.
            const int inputs = ClampCount(m.InputNum, CModelInfo2::kInputCapacity);
            for (int c = 0; c < inputs; ++c) {
                if (SameInputName(FieldText(m.InputName[c]), row.name) && m.InputNameView[c][0] != '\0')
                    return CutInputLabel(FieldText(m.InputNameView[c]), m.IconSize);
            }
            return std::string(row.name);
        }
    }
    switch (commandId) {
    case kCmdBlankOn:
        return CatalogText(kCatalogSetUi, 18);
    case kCmdBlankOff:
        return CatalogText(kCatalogSetUi, 19);
    case kCmdMute:
        return CatalogText(kCatalogSetUi, 43);
    case kCmdVolume:
        return CatalogText(kCatalogSetUi, 20);
    case kCmdFreezeOn:
        return CatalogText(kCatalogSetUi, 22);
    case kCmdFreezeOff:
        return CatalogText(kCatalogSetUi, 23);
    case kCmdAdvance:
        return CatalogText(kCatalogSetUi, 44);
    case kCmdAbout:
        return CatalogText(kCatalogSetUi, 45);
    case kCmdImageSend:
        return CatalogText(kCatalogSetUi, 46);
    default:
        return {};
    }
}

void GetToolbarTipText(int commandId, const CModelInfo2& model, char* buffer, std::size_t size) {
    std::string text = ToolbarTipText(commandId, model);
    if (text.empty() || buffer == nullptr || size == 0)
        return;
    std::string_view cut = CutUtf8(text, size - 1);
    std::memcpy(buffer, cut.data(), cut.size());
    buffer[cut.size()] = '\0';
}

} // namespace orvane
