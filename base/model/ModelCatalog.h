#pragma once

#include "model/ModelInfo2.h"
#include "platform/FileUtil.h"

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace orvane {

class PrivateProfile;

// The model catalog, read from the working directory.
inline constexpr const char* kModelCatalogFile = "./OrvaneModel.txt";
inline constexpr int kMaxCatalogModels = 999;

// The reader's pause after each model, in milliseconds.
inline constexpr int kCatalogPauseMs = 1;

// Empties the list, then appends one record per catalog model in catalog order, pausing
// `pauseMs` after each (no more pauses once `*hurry` is set, from any thread). A missing,
// unreadable or empty catalog gives an empty list; the result tells missing and
// unreadable apart.
FileReadResult LoadModelCatalog(ModelList& list);
FileReadResult LoadModelCatalogFrom(const std::string& path, ModelList& list, int pauseMs = kCatalogPauseMs,
                                    const std::atomic<bool>* hurry = nullptr);

// The records of a catalog already in memory, as LoadModelCatalogFrom builds them.
// `listComplete` runs once the last record is filled, before the pause that follows it;
// the list is not touched after it, so another thread may take it from then on.
void ReadModelCatalog(const PrivateProfile& ini, ModelList& list, int pauseMs, const std::atomic<bool>* hurry = nullptr,
                      const std::function<void()>& listComplete = {});

// A catalog model's name and id as its record holds them, for listings that show nothing
// else: a record is 14 KB, and building 999 of them costs more than reading the catalog.
struct CatalogModelId {
    std::string name;
    int32_t modelId = 0;
};

// One entry per record that LoadModelCatalogFrom would build, in the same order, without
// building any; the result as LoadModelCatalogFrom gives it.
FileReadResult LoadModelCatalogIdsFrom(const std::string& path, std::vector<CatalogModelId>& ids);

// A catalog entry "code;label": the label is everything after the first ';'.
void ParseCatalogEntry(const std::string& value, int32_t& code, char (&label)[CModelInfo2::kTextBytes]);

// Index of the first record whose Name equals name exactly, -1 when none.
int FindModelIndex(const ModelList& list, const std::string& name);

} // namespace orvane
