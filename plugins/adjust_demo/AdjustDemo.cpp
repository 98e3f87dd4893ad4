// The sample plug-in's two exports: the description of model "PX-Demo" and its dialog.

#include "DemoDialog.h"

#include "orvane/AdjustPlugin.h"

#include <cstdio>
#include <cstring>

#define DEMO_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

void Text(char (&field)[ORVANE_PLUGIN_TEXT_BYTES], const char* text) {
    std::snprintf(field, sizeof field, "%s", text);
}

// Range indices in the plug-in record's order.
constexpr int kBrightness = 0;
constexpr int kContrast = 1;
constexpr int kSharpness = 4;
constexpr int kVolume = 23;

} // namespace

DEMO_EXPORT PluginModelData CopyModelDataDll2Main(void) {
    PluginModelData d;
    std::memset(&d, 0, sizeof d);
    Text(d.modelName, "PX-Demo");
    d.type = 1;
    d.modelId = 900;
    d.connectMethod = 1;
    d.comNo = 0;
    d.tcpPort = 23;
    Text(d.ranges[kBrightness], "0,100");
    Text(d.ranges[kContrast], "0,100");
    Text(d.ranges[kSharpness], "0,15");
    Text(d.ranges[kVolume], "0,40");
    d.aspectNum = 2;
    d.aspectCode[0] = 0;
    Text(d.aspectName[0], "4:3");
    d.aspectCode[1] = 1;
    Text(d.aspectName[1], "16:9");
    d.whisperNum = 2;
    d.whisperCode[0] = 0;
    Text(d.whisperName[0], "Normal");
    d.whisperCode[1] = 1;
    Text(d.whisperName[1], "Eco");
    d.inputNum = 3;
    Text(d.inputName[0], "Computer in 1");
    d.inputCode[0] = 0;
    Text(d.inputName[1], "HDMI 1");
    d.inputCode[1] = 3;
    Text(d.inputName[2], "Video");
    d.inputCode[2] = 1;
    return d;
}

DEMO_EXPORT int32_t buildDialog(int32_t method, int32_t comNo, int32_t tcpPort, const char* ip, const char* password) {
    DemoDialog dialog(method, comNo, tcpPort, ip, password);
    dialog.exec();
    return 0;
}
