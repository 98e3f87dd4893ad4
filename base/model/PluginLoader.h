#pragma once

#include "model/ModelInfo2.h"

#include "orvane/AdjustPlugin.h"

#include <memory>
#include <string>

namespace orvane {

// The plug-ins' folder below the working directory and the pattern of their file names.
inline constexpr const char* kPluginFolder = "./plugin";
inline constexpr const char* kPluginPattern = "Adjust_*.so";

// One slot of the plug-in table.
struct PluginEntry {
    void* module = nullptr; // the loaded library, or none
    BuildDialogFunction buildDialog = nullptr;
    CopyModelDataDll2MainFunction copyModelData = nullptr;
    std::string modelName; // what the plug-in reported; empty until AddPluginModels
    std::string fileName;  // "Adjust_Demo.so"

    bool Usable() const { return buildDialog != nullptr && copyModelData != nullptr; }
};

// The main window's plug-in table: 512 slots, loaded once, never unloaded.
class PluginTable {
public:
    static constexpr int kSlots = 512;

    PluginTable();
    PluginTable(const PluginTable&) = delete;
    PluginTable& operator=(const PluginTable&) = delete;

    // Loads every folder/Adjust_*.so in name order (the directory's own order is arbitrary),
    // at most kSlots of them, slot i for the i-th. A library that does not load or lacks one
    // of the two exports is unloaded and its slot stays unusable. Returns the usable count.
    int LoadPlugins(const std::string& folder = kPluginFolder);

    // Appends one record per usable slot, in slot order, to `list`, from the plug-in's model
    // data; DllModel keeps the data of the last one.
    void AddPluginModels(ModelList& list);

    // The first usable slot whose model name is `name` (exactly), -1 when none.
    int FindPlugin(const std::string& name) const;

    const PluginEntry& Entry(int slot) const { return entries_[static_cast<std::size_t>(slot)]; }

    std::unique_ptr<PluginModelData> DllModel;

private:
    std::unique_ptr<PluginEntry[]> entries_;
};

// Fills a fresh record from a plug-in's model data: defaults, the model-id exceptions, the
// lists and inputs. Texts are cut at 63 bytes whether or not they end, counts are taken
// within 0..capacity.
void ModelFromPluginData(const PluginModelData& data, CModelInfo2& model);

} // namespace orvane
