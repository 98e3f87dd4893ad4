// The configuration file: any file reads without harm, and for a valid UTF-8 file what was
// read survives a write and a second read (the operator pressing OK without a change must
// not lose or alter a projector's address, password or labels).
#include "FuzzSupport.h"
#include "config/ShowPageState.h"
#include "model/ConfigFile.h"

#include <cstring>

using namespace orvane;

namespace {

CModelInfo2 ReadRecord(std::string_view bytes) {
    const std::string path = fuzz::WriteInputFile("Orvane.txt", bytes);
    CModelInfo2 m;
    ModelList none;
    OptionValues options;
    ReadConfigFile(path, -1, m, none, options);
    return m;
}

// The dialog's controls for a record taken over unchanged.
ConfigControls ControlsFor(const CModelInfo2& m) {
    ConfigControls c;
    c.modelName = m.Name;
    if (m.SelectPrj >= 1 && m.SelectPrj <= ClampCount(m.PjtNum, CModelInfo2::kSlots))
        c.rowChecked[m.SelectPrj - 1] = true;
    ShowPageState page;
    page.SetFromRecord(m);
    page.ToControls(c);
    return c;
}

bool Same(const char* a, const char* b) {
    return std::strcmp(a, b) == 0;
}

void CheckList(const CModelInfo2& a, const CModelInfo2& b, const ListField& list) {
    FUZZ_CHECK(a.*list.count == b.*list.count);
    for (int n = 0; n < ClampCount(a.*list.count, CModelInfo2::kListCapacity); ++n) {
        FUZZ_CHECK((a.*list.codes)[n] == (b.*list.codes)[n]);
        FUZZ_CHECK(Same((a.*list.names)[n], (b.*list.names)[n]));
    }
}

// Everything the file keeps as it was read. The toolbar flags, the icon choice and a
// selection outside the projectors in use come back as the dialog's controls show them.
void CheckSurvived(const CModelInfo2& a, const CModelInfo2& b) {
    FUZZ_CHECK(a.Name == b.Name);
    FUZZ_CHECK(a.ModelID == b.ModelID && a.Type == b.Type && a.Discovery == b.Discovery);
    FUZZ_CHECK(a.ImageSendEnable == b.ImageSendEnable && a.ImageDispEnable == b.ImageDispEnable);
    FUZZ_CHECK(a.PjtNum == b.PjtNum);
    if (a.SelectPrj >= 1 && a.SelectPrj <= a.PjtNum)
        FUZZ_CHECK(a.SelectPrj == b.SelectPrj);
    for (int s = 0; s < a.PjtNum; ++s) {
        FUZZ_CHECK((a.ConnectMethod[s] != 0) == (b.ConnectMethod[s] != 0));
        FUZZ_CHECK(a.ComNo[s] == b.ComNo[s] && a.PortNo[s] == b.PortNo[s]);
        FUZZ_CHECK(Same(a.IPAddress[s], b.IPAddress[s]));
        FUZZ_CHECK(Same(a.Password[s], b.Password[s]));
    }
    FUZZ_CHECK(a.InputNum == b.InputNum);
    for (int n = 0; n < ClampCount(a.InputNum, CModelInfo2::kInputCapacity); ++n) {
        FUZZ_CHECK(a.InputCode[n] == b.InputCode[n]);
        FUZZ_CHECK(Same(a.InputName[n], b.InputName[n]));
        FUZZ_CHECK(Same(a.InputNameView[n], b.InputNameView[n]));
        if (n >= ShowPageState::kInputBoxes)
            FUZZ_CHECK(a.InputShow[n] == b.InputShow[n]);
    }
    for (const ListField* list : {&WhisperList(), &AspectList(), &GammaList(), &ColorTempList(), &MyButtonList()})
        CheckList(a, b, *list);
    for (const RangeField& r : StoredRangeFields())
        FUZZ_CHECK(a.*r.field == b.*r.field);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::AsText(data, size);
    // Both kinds of file; they differ only in line ends.
    const bool perModelFile = size % 2 == 1;

    const CModelInfo2 first = ReadRecord(text);
    const std::string written = FormatConfigFile(first, ControlsFor(first), perModelFile);
    const CModelInfo2 second = ReadRecord(written);
    if (!fuzz::IsValidUtf8(text))
        return 0;
    CheckSurvived(first, second);
    // A second round changes nothing more, with one exception: the file cannot say "no
    // projector reported" while it has projectors, so a selection outside the projectors in
    // use is written as none and reads back as the first projector; one round later the
    // file is stable.
    std::string before = written;
    std::string again = FormatConfigFile(second, ControlsFor(second), perModelFile);
    if (first.PjtNum > 0 && (first.SelectPrj < 1 || first.SelectPrj > first.PjtNum)) {
        const CModelInfo2 third = ReadRecord(again);
        before = again;
        again = FormatConfigFile(third, ControlsFor(third), perModelFile);
    }
    FUZZ_CHECK(again == before);
    return 0;
}
