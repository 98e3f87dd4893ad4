#pragma once

#include "model/ModelInfo2.h"

#include <string>

namespace orvane {

// The model catalog, read from the working directory.
inline constexpr const char* kModelCatalogFile = "./OrvaneModel.txt";
inline constexpr int kMaxCatalogModels = 999;

// Empties the list, then appends one record per catalog model in catalog order.
// A missing or empty catalog gives an empty list.
void LoadModelCatalog(ModelList& list);
void LoadModelCatalogFrom(const std::string& path, ModelList& list);

// A catalog entry "code;label": the label is everything after the first ';'.
void ParseCatalogEntry(const std::string& value, int32_t& code, char (&label)[CModelInfo2::kTextBytes]);

// Index of the first record whose Name equals name exactly, -1 when none.
int FindModelIndex(const ModelList& list, const std::string& name);

} // namespace orvane
