#include "model/BuiltInModelTable.h"

#include <cstring>

namespace orvane {

namespace {
constexpr BuiltInModelRow kRows[] = {
    {"LM107", 1},    {"LM107-W", 1},   {"NX114", 2},     {"QR121X", 3},    {"TW128", 4},    {"ZD135X", 5},
    {"KV142", 6},    {"LM149X", 7},    {"NX156", 8},     {"QR163X", 9},    {"TW170", 10},   {"ZD177", 11},
    {"ZD177-W", 11}, {"KV184", 12},    {"KV184-W", 12},  {"LM191", 13},    {"LM191-W", 13}, {"NX198", 14},
    {"QR205", 15},   {"QR205-W", 15},  {"TW212", 16},    {"ZD219X", 17},   {"KV226", 18},   {"LM233X", 19},
    {"NX240", 20},   {"QR247", 21},    {"QR247-W", 21},  {"QR247-LB", 21}, {"TW254", 22},   {"ZD261", 23},
    {"ZD261-W", 23}, {"KV268", 24},    {"LM275X", 25},   {"NX282", 26},    {"QR289X", 27},  {"TW296", 28},
    {"ZD303", 29},   {"ZD303-W", 29},  {"KV310", 30},    {"LM317X", 31},   {"NX324", 32},   {"NX324-W", 32},
    {"QR331", 33},   {"QR331-W", 33},  {"KV352", 36},    {"LM359X", 37},   {"NX366", 38},   {"QR373", 39},
    {"QR373-W", 39}, {"QR373-LB", 39}, {"TW380", 40},    {"ZD387X", 41},   {"KV394", 42},   {"LM401X", 43},
    {"NX408", 44},   {"NX408-W", 44},  {"NX408-LB", 44}, {"QR415", 45},    {"QR415-W", 45}, {"TW422", 46},
    {"ZD429X", 47},  {"KV436", 48},
};
static_assert(sizeof kRows / sizeof kRows[0] == 62);
} // namespace

std::span<const BuiltInModelRow> BuiltInModelTable() {
    return kRows;
}

int32_t LookupBuiltInModelId(const char* name) {
    if (name == nullptr)
        return 0;
    for (const BuiltInModelRow& row : kRows) {
        if (std::strcmp(row.name, name) == 0)
            return row.id;
    }
    return 0;
}

} // namespace orvane
