// orvanectl adjust: the advanced adjustments of the configuration's model, read from and set
// on its projectors the way the adjustment dialog does.

#include "CtlContext.h"

#include "adjust/AdjustItems.h"
#include "adjust/AdjustLink.h"
#include "catalog/MessageCatalog.h"
#include "catalog/SlotError.h"
#include "platform/AsciiCase.h"

#include <charconv>
#include <iostream>
#include <memory>

namespace orvane::ctl {

namespace {

using adjust::ChoiceItem;
using adjust::RangeItem;

std::string Labels(const ChoiceItem& item) {
    std::string text;
    for (const adjust::ChoiceEntry& e : item.entries)
        text += (text.empty() ? "" : "|") + e.label;
    return text;
}

// A value as the listing shows it: a choice by its label where one has the code.
std::string ValueText(const adjust::ItemValue& v, const ChoiceItem* list) {
    switch (v.state) {
    case adjust::ValueState::Refused:
        return "-";
    case adjust::ValueState::NoAnswer:
        return "?";
    case adjust::ValueState::Ok:
        break;
    }
    if (list != nullptr) {
        const int index = list->IndexOfCode(v.value);
        if (index >= 0)
            return list->entries[static_cast<std::size_t>(index)].label;
    }
    return std::to_string(v.value);
}

void ReportSlot(const adjust::SlotConnection& c, int number, const std::string& insert = {}) {
    const std::string text =
        insert.empty() ? CatalogText(kCatalogSetErrors, number) : CatalogText(kCatalogSetErrors, number, insert);
    std::cerr << FormatSlotError(text, c.method, c.Address(), c.comNo) << std::endl;
}

// One line per item: name, range or labels, then each projector's value ("-" it lacks
// the item, "?" it did not answer).
int RunList(const CModelInfo2& m) {
    const adjust::AdjustItems items = adjust::BuildItems(m);
    std::vector<std::uint16_t> types;
    for (const ChoiceItem& c : items.choices)
        types.push_back(c.type);
    for (const RangeItem& r : items.ranges)
        types.push_back(r.type);

    const int slots = ClampCount(m.PjtNum, CModelInfo2::kSlots);
    std::vector<std::vector<adjust::ItemValue>> values(static_cast<std::size_t>(slots));
    bool failed = false;
    for (int s = 0; s < slots; ++s) {
        const adjust::SlotConnection c = adjust::SlotConnection::FromModel(m, s);
        if (!adjust::ReadValues(c, types, values[static_cast<std::size_t>(s)])) {
            ReportSlot(c, 3000);
            failed = true;
        }
    }
    std::cout << "item\trange";
    for (int s = 0; s < slots; ++s)
        std::cout << '\t' << s + 1;
    std::cout << '\n';
    std::size_t column = 0;
    auto row = [&](const std::string& name, const std::string& range, const ChoiceItem* list) {
        std::cout << name << '\t' << range;
        for (const auto& slotValues : values)
            std::cout << '\t' << ValueText(slotValues[column], list);
        std::cout << '\n';
        ++column;
    };
    for (const ChoiceItem& c : items.choices)
        row(c.name, Labels(c), &c);
    for (const RangeItem& r : items.ranges)
        row(r.name, std::to_string(r.min) + ".." + std::to_string(r.max), nullptr);
    if (!items.myButtons.entries.empty())
        std::cout << items.myButtons.name << '\t' << Labels(items.myButtons) << '\n';
    std::cout.flush();
    return failed ? kExitFailed : kExitOk;
}

std::string ValidNames(const adjust::AdjustItems& items) {
    std::string text;
    for (const ChoiceItem& c : items.choices)
        text += "\n  " + c.name + " (" + Labels(c) + ")";
    for (const RangeItem& r : items.ranges)
        text += "\n  " + r.name + " (" + std::to_string(r.min) + ".." + std::to_string(r.max) + ")";
    if (!items.myButtons.entries.empty())
        text += "\n  " + items.myButtons.name + " (" + Labels(items.myButtons) + ")";
    return text;
}

// The request type and value for NAME VALUE; 0 when found, else the exit status.
int Resolve(const CModelInfo2& m, const std::string& name, const std::string& valueText, std::uint16_t& type,
            int& value) {
    const adjust::AdjustItems items = adjust::BuildItems(m);
    for (const RangeItem& r : items.ranges) {
        if (!EqualIgnoringAsciiCase(r.name, name))
            continue;
        auto [end, ec] = std::from_chars(valueText.data(), valueText.data() + valueText.size(), value);
        if (valueText.empty() || ec != std::errc() || end != valueText.data() + valueText.size() || value < r.min ||
            value > r.max) {
            PrintError(r.name + " takes a whole number in " + std::to_string(r.min) + ".." + std::to_string(r.max) +
                       ", not \"" + valueText + "\"");
            return kExitUsage;
        }
        type = r.type;
        return 0;
    }
    std::vector<ChoiceItem> lists = items.choices;
    if (!items.myButtons.entries.empty())
        lists.push_back(items.myButtons);
    for (const ChoiceItem& c : lists) {
        if (!EqualIgnoringAsciiCase(c.name, name))
            continue;
        for (const adjust::ChoiceEntry& e : c.entries) {
            if (EqualIgnoringAsciiCase(e.label, valueText)) {
                type = c.type;
                value = e.code;
                return 0;
            }
        }
        PrintError("unknown " + c.name + " \"" + valueText + "\"; valid: " + Labels(c));
        return kExitUsage;
    }
    PrintError("model " + m.Name + " has no adjustment \"" + name + "\"; valid names:" + ValidNames(items));
    return kExitUsage;
}

int RunSet(const CModelInfo2& m, const std::string& name, const std::string& valueText, int slot) {
    std::uint16_t type = 0;
    int value = 0;
    if (int rc = Resolve(m, name, valueText, type, value); rc != 0)
        return rc;
    const int slots = ClampCount(m.PjtNum, CModelInfo2::kSlots);
    if (slot != 0 && (slot < 1 || slot > slots)) {
        PrintError("--slot must name a projector in use, 1.." + std::to_string(slots));
        return kExitUsage;
    }
    bool failed = false;
    for (int s = 0; s < slots; ++s) {
        if (slot != 0 && s != slot - 1)
            continue;
        const adjust::SlotConnection c = adjust::SlotConnection::FromModel(m, s);
        const adjust::SetOutcome outcome = adjust::SendSet(c, type, value);
        if (outcome.state != adjust::ValueState::Ok) {
            ReportSlot(c, 3004, name);
            failed = true;
        }
    }
    return failed ? kExitFailed : kExitOk;
}

} // namespace

void AddAdjustCommands(CLI::App& app, CtlContext& ctx) {
    struct Args {
        std::string config;
        std::string name;
        std::vector<std::string> value;
        int slot = 0;
    };
    auto a = std::make_shared<Args>();
    auto* cmd = app.add_subcommand("adjust", "List the model's adjustments with each projector's value, or set one: "
                                             "adjust NAME VALUE (brightness 60, aspect 16:9)");
    cmd->add_option("name", a->name, "Adjustment as the model names it, any case");
    cmd->add_option("value", a->value, "A number within the range, or a choice's label");
    cmd->add_option("--slot", a->slot, "Set on this projector (1-based) only");
    cmd->add_option("--config", a->config,
                    "Use the per-model file MODEL.txt of the program directory instead of ./Orvane.txt")
        ->type_name("MODEL");
    cmd->callback([&ctx, a] {
        ctx.run = [a] {
            if (!a->name.empty() && a->value.empty()) {
                PrintError("adjust NAME needs a VALUE");
                return kExitUsage;
            }
            auto working = std::make_unique<CModelInfo2>();
            if (int rc = LoadWorkingConfiguration(a->config, *working); rc != 0)
                return rc;
            OpenCatalog();
            std::string value;
            for (const std::string& w : a->value)
                value += (value.empty() ? "" : " ") + w;
            const int rc = a->name.empty() ? RunList(*working) : RunSet(*working, a->name, value, a->slot);
            CloseCatalog();
            return rc;
        };
    });
}

} // namespace orvane::ctl
