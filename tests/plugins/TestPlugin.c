/* Test plug-ins: PLUGIN_CASE_<name> chooses what this one gets wrong or tests. */
#include "orvane/AdjustPlugin.h"

#include <string.h>

#define EXPORT __attribute__((visibility("default")))

static __attribute__((unused)) void Text(char* field, const char* text) {
    strncpy(field, text, ORVANE_PLUGIN_TEXT_BYTES - 1);
}

EXPORT PluginModelData CopyModelDataDll2Main(void) {
    PluginModelData d;
    int i __attribute__((unused));
    memset(&d, 0, sizeof d);
    d.connectMethod = 1;
    d.tcpPort = 9715;
    d.imageSend = 1;
#if defined(PLUGIN_CASE_Model500)
    Text(d.modelName, "Hushed 500");
    d.modelId = 500;
#elif defined(PLUGIN_CASE_Model167)
    Text(d.modelName, "Always-on 167");
    d.modelId = 167;
    d.inputNum = 3;
    for (i = 0; i < 3; ++i) {
        d.inputCode[i] = 10 + i;
        Text(d.inputName[i], i == 0 ? "HDMI 1" : (i == 1 ? "HDMI 2" : "Video"));
    }
#elif defined(PLUGIN_CASE_Wild)
    /* Everything a careless plug-in might return: texts that fill their field without a
       terminator, counts past the capacity or below zero. */
    memset(d.modelName, 'W', sizeof d.modelName);
    memset(d.ranges[0], '7', sizeof d.ranges[0]);
    d.modelId = 33;
    d.aspectNum = 1000;
    for (i = 0; i < ORVANE_PLUGIN_LIST_CAPACITY; ++i) {
        d.aspectCode[i] = 100 + i;
        memset(d.aspectName[i], 'a' + (i % 26), sizeof d.aspectName[i]);
    }
    d.whisperNum = -4;
    d.gammaNum = 2;
    d.inputNum = 1000;
    for (i = 0; i < ORVANE_PLUGIN_INPUT_CAPACITY; ++i)
        d.inputCode[i] = i;
    d.myButtonNum = 33;
#elif defined(PLUGIN_CASE_Twin)
    Text(d.modelName, "AX-210");
    d.modelId = 101;
#else
    Text(d.modelName, "No dialog");
#endif
    return d;
}

#if !defined(PLUGIN_CASE_NoDialog)
EXPORT int32_t buildDialog(int32_t method, int32_t comNo, int32_t tcpPort, const char* ip, const char* password) {
    (void)method;
    (void)comNo;
    (void)tcpPort;
    (void)ip;
    (void)password;
    return 0;
}
#endif
