#include "CtlContext.h"
#include "ModelJson.h"

#include "catalog/MessageCatalog.h"
#include "config/ConfigSave.h"
#include "config/ShowPageState.h"
#include "model/ConfigFile.h"
#include "model/ModelCatalog.h"
#include "model/OptionFile.h"
#include "model/PluginLoader.h"
#include "platform/FileUtil.h"
#include "platform/PrivateProfile.h"

#include <iostream>
#include <memory>
#include <vector>

namespace orvane::ctl {

namespace {

// Invalid UTF-8 in a file must not stop the listing: it is replaced.
void PrintJson(const nlohmann::json& j) {
    std::cout << j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << std::endl;
}

// 0 when the catalog was read, else the exit status (a missing catalog is a usage error,
// one that cannot be read a failed file operation).
int CatalogReadStatus(const FileReadResult& read) {
    if (read.missing()) {
        PrintError(std::string(kModelCatalogFile) + " not found (use --dir to name the working directory)");
        return kExitUsage;
    }
    if (read.failed()) {
        PrintError(ReadFailureText(kModelCatalogFile, read));
        return kExitFailed;
    }
    return kExitOk;
}

int LoadCatalog(ModelList& list) {
    // The reader's pause between models belongs to the toolbar's start-up alone.
    return CatalogReadStatus(LoadModelCatalogFrom(kModelCatalogFile, list, 0));
}

// The plug-ins' models (./plugin) in `list`, and the file of each.
void LoadPluginModels(PluginTable& plugins, ModelList& list, std::vector<std::string>& files) {
    if (plugins.LoadPlugins() <= 0)
        return;
    plugins.AddPluginModels(list);
    for (int i = 0; i < PluginTable::kSlots; ++i) {
        if (plugins.Entry(i).Usable())
            files.push_back(plugins.Entry(i).fileName);
    }
}

// Every field of every model the operator can choose: the catalog's, then the plug-ins'.
int PrintModelsJson() {
    ModelList list;
    if (int rc = LoadCatalog(list); rc != kExitOk)
        return rc;
    PluginTable plugins;
    ModelList pluginModels;
    std::vector<std::string> files;
    LoadPluginModels(plugins, pluginModels, files);
    nlohmann::json out = nlohmann::json::array();
    for (const auto& model : list)
        out.push_back(ModelToJson(*model));
    for (std::size_t i = 0; i < pluginModels.size(); ++i) {
        nlohmann::json model = ModelToJson(*pluginModels[i]);
        model["plugin"] = files[i];
        out.push_back(model);
    }
    PrintJson(out);
    return kExitOk;
}

// Index, name and id of each model: only those are read from the catalog, as building the
// full records of a large one would take longer than reading it.
int RunModels(bool json) {
    if (json)
        return PrintModelsJson();
    std::vector<CatalogModelId> ids;
    if (int rc = CatalogReadStatus(LoadModelCatalogIdsFrom(kModelCatalogFile, ids)); rc != kExitOk)
        return rc;
    PluginTable plugins;
    ModelList pluginModels;
    std::vector<std::string> files;
    LoadPluginModels(plugins, pluginModels, files);
    std::string out;
    std::size_t index = 0;
    for (const CatalogModelId& id : ids)
        out += std::to_string(index++) + '\t' + id.name + '\t' + std::to_string(id.modelId) + '\n';
    for (std::size_t i = 0; i < pluginModels.size(); ++i) {
        out += std::to_string(index++) + '\t' + pluginModels[i]->Name + '\t' +
               std::to_string(pluginModels[i]->ModelID) + "\tplugin " + files[i] + '\n';
    }
    std::cout << out;
    return kExitOk;
}

const char* OnOff(int32_t flag) {
    return flag == 1 ? "on" : "off";
}

void PrintSummary(const CModelInfo2& m) {
    std::cout << "Model:      " << m.Name << " (ModelID " << m.ModelID << ", Type " << m.Type << ")\n";
    std::cout << "Projectors: " << m.PjtNum << " (reported: " << m.SelectPrj << ")\n";
    for (int s = 0; s < ClampCount(m.PjtNum, CModelInfo2::kSlots); ++s) {
        std::cout << "  " << s + 1 << "  ";
        if (m.ConnectMethod[s] != 0) {
            std::cout << "TCP " << m.IPAddress[s] << ':' << m.PortNo[s] << (m.Password[s][0] ? " (password)" : "");
        } else {
            std::cout << "RS-232C COM" << m.ComNo[s] + 1;
        }
        std::cout << '\n';
    }
    std::cout << "Toolbar:    Config " << OnOff(m.ToolbarConfig) << ", Power On " << OnOff(m.ToolbarPowerOn)
              << ", Power Off " << OnOff(m.ToolbarPowerOff) << ", Blank On " << OnOff(m.ToolbarBlankOn)
              << ", Blank Off " << OnOff(m.ToolbarBlankOff) << ", Volume " << OnOff(m.ToolbarVolume) << ", Mute "
              << OnOff(m.ToolbarMute) << ", Freeze On " << OnOff(m.ToolbarFreezeOn) << ", Freeze Off "
              << OnOff(m.ToolbarFreezeOff) << ", Advance " << OnOff(m.ToolbarAdvance) << ", About "
              << OnOff(m.ToolbarAbout) << ", Image Send " << OnOff(m.ToolbarImgSend) << '\n';
    std::cout << "Inputs:     " << m.InputNum << '\n';
    for (int i = 0; i < ClampCount(m.InputNum, CModelInfo2::kInputCapacity); ++i) {
        std::cout << "  " << i + 1 << "  " << m.InputName[i] << " (code " << m.InputCode[i] << ")"
                  << (m.InputShow[i] == 1 ? " shown" : " hidden");
        if (m.InputNameView[i][0])
            std::cout << " label \"" << m.InputNameView[i] << '"';
        std::cout << '\n';
    }
    static const char* const kIcon[] = {"24x24", "36x36", "48x48"};
    std::cout << "Icon size:  " << (m.IconSize >= 0 && m.IconSize <= 2 ? kIcon[m.IconSize] : "24x24")
              << ", always on top: " << (m.AlwaysOnTop == 1 ? "yes" : "no") << '\n';
}

int RunShow(const std::string& file, bool json) {
    ModelList list;
    // Without a catalog only the fallback for a missing Orvane.txt is lost.
    if (const FileReadResult catalog = LoadModelCatalogFrom(kModelCatalogFile, list, 0); catalog.failed()) {
        PrintError(ReadFailureText(kModelCatalogFile, catalog));
        return kExitFailed;
    }
    if (!file.empty() && ProbeReadable(file).missing()) {
        PrintError("configuration file not found: " + file);
        return kExitUsage;
    }
    CModelInfo2 working;
    OptionValues options;
    const std::string path = file.empty() ? kCurrentConfigFile : file;
    FileReadResult read;
    ConfigSource source = ReadConfigFile(path, 0, working, list, options, &read);
    if (source == ConfigSource::Unreadable) {
        PrintError(ReadFailureText(path, read));
        return kExitFailed;
    }
    if (source == ConfigSource::None) {
        PrintError("no configuration: neither ./Orvane.txt nor a model catalog is present");
        return kExitUsage;
    }
    if (json) {
        PrintJson(ModelToJson(working));
        return kExitOk;
    }
    if (source == ConfigSource::Catalog)
        std::cout << "(no ./Orvane.txt: the first catalog model)\n";
    PrintSummary(working);
    return kExitOk;
}

int RunOptions(bool json) {
    OptionValues options;
    if (const FileReadResult read = ReadOptions(options); read.failed()) {
        PrintError(ReadFailureText(kOptionFile, read));
        return kExitFailed;
    }
    if (json) {
        PrintJson({{"SkipLogin", options.SkipLogin},
                   {"SkipConfig", options.SkipConfig},
                   {"UpdateInterval", options.UpdateInterval}});
    } else {
        std::cout << "SkipLogin=" << options.SkipLogin << "\nSkipConfig=" << options.SkipConfig
                  << "\nUpdateInterval=" << options.UpdateInterval << '\n';
    }
    return kExitOk;
}

// What the configuration dialog does when the operator picks a model and presses OK
// without touching anything else.
int RunUse(const std::string& modelName) {
    ModelList list;
    if (int rc = LoadCatalog(list); rc != kExitOk)
        return rc;
    const int index = FindModelIndex(list, modelName);
    if (index < 0) {
        PrintError("no model named \"" + modelName + "\" in " + kModelCatalogFile);
        return kExitUsage;
    }
    if (ModelFilePath(modelName).empty()) {
        PrintError("the model name \"" + modelName + "\" cannot name a configuration file");
        return kExitUsage;
    }
    CModelInfo2 working;
    OptionValues options;
    // Nothing is written when a file that would be replaced cannot be read: its content
    // would be lost.
    FileReadResult read;
    if (ReadConfigFile(ModelFilePath(modelName), index, working, list, options, &read) == ConfigSource::Unreadable) {
        PrintError(ReadFailureText(ModelFilePath(modelName), read));
        return kExitFailed;
    }
    for (const char* file : {kCurrentConfigFile, kOptionFile}) {
        if (read = ProbeReadable(file, kMaxSettingsFileSize); read.failed()) {
            PrintError(ReadFailureText(file, read));
            return kExitFailed;
        }
    }

    ConfigControls controls;
    controls.modelName = modelName;
    if (working.SelectPrj >= 1 && working.SelectPrj <= ClampCount(working.PjtNum, CModelInfo2::kSlots))
        controls.rowChecked[working.SelectPrj - 1] = true;
    ShowPageState page;
    page.SetFromRecord(working);
    page.ToControls(controls);

    // All three files or none, as the dialog's OK writes them.
    ConfigSave save;
    if (save.Prepare(working, controls, options) != 0 || save.Commit() != 0) {
        PrintError("cannot write " + save.FailedPath() + "; no file was changed");
        return kExitFailed;
    }
    ReadConfigFile(kCurrentConfigFile, 0, working, list, options);
    std::cout << "Using " << modelName << ": wrote " << kCurrentConfigFile << " and " << ModelFilePath(modelName)
              << '\n';
    return kExitOk;
}

int RunText(int set, int number, const std::vector<std::string>& args) {
    OpenCatalog();
    std::cout << CatalogText(set, number, args) << std::endl;
    CloseCatalog();
    return kExitOk;
}

} // namespace

void AddConfigCommands(CLI::App& app, CtlContext& ctx) {
    // Options live as long as the parser: the callbacks read them after parsing.
    struct Args {
        bool json = false;
        std::string file;
        std::string model;
        int set = 0;
        int number = 0;
        std::vector<std::string> inserts;
    };
    auto a = std::make_shared<Args>();

    auto* models = app.add_subcommand("models", "List the models of ./OrvaneModel.txt");
    models->add_flag("--json", a->json, "Every field of every record as JSON");
    models->callback([&ctx, a] { ctx.run = [a] { return RunModels(a->json); }; });

    auto* show = app.add_subcommand("show", "Show a configuration (default ./Orvane.txt) as the dialog loads it");
    show->add_option("file", a->file, "Configuration file");
    show->add_flag("--json", a->json, "Every field of the record as JSON");
    show->callback([&ctx, a] { ctx.run = [a] { return RunShow(a->file, a->json); }; });

    auto* options = app.add_subcommand("options", "Show the options of ./OrvaneOpt.txt");
    options->add_flag("--json", a->json, "As a JSON object");
    options->callback([&ctx, a] { ctx.run = [a] { return RunOptions(a->json); }; });

    auto* use = app.add_subcommand("use", "Make MODEL the configuration in use, as the dialog's OK does");
    use->add_option("model", a->model, "Model name as in the catalog")->required();
    use->callback([&ctx, a] { ctx.run = [a] { return RunUse(a->model); }; });

    auto* text = app.add_subcommand("text", "Print a catalog message under the current language rules");
    text->add_option("set", a->set, "Message set (11 or 2201)")->required();
    text->add_option("number", a->number, "Message number")->required();
    text->add_option("args", a->inserts, "Inserts %1, %2, ...");
    text->callback([&ctx, a] { ctx.run = [a] { return RunText(a->set, a->number, a->inserts); }; });
}

} // namespace orvane::ctl
