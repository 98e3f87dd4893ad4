/*
 * Orvane adjustment plug-ins: the interface a plug-in library implements.
 *
 * A plug-in is a shared object named plugin/Adjust_<anything>.so below the program's working
 * directory. It adds one projector model to the models the operator can choose, and brings
 * its own advanced-adjustment dialog for that model. It exports two C functions:
 *
 *   PluginModelData CopyModelDataDll2Main(void);
 *       The model's description, returned by value.
 *
 *   int32_t buildDialog(int32_t method, int32_t comNo, int32_t tcpPort,
 *                       const char* ip, const char* password);
 *       Runs the plug-in's adjustment dialog modally for one projector and returns when the
 *       operator closes it; the result is ignored. method 1 is the network (ip and tcpPort
 *       apply), anything else RS-232C (comNo, 0 = COM1). ip and password are NUL-terminated
 *       texts of at most 63 bytes. It is called on the program's user-interface thread,
 *       inside the program's running Qt application.
 *
 * Texts are NUL-terminated UTF-8 in 64 bytes (at most 63 bytes of text). The program treats
 * what a plug-in returns as untrusted: a text without a terminator is cut at 63 bytes, a
 * count above its list's capacity is taken as the capacity and a negative count as 0.
 *
 * This header needs nothing but the C standard library; a plug-in builds against it alone.
 */
#ifndef ORVANE_ADJUST_PLUGIN_H
#define ORVANE_ADJUST_PLUGIN_H

#include <stddef.h>
#include <stdint.h>

#define ORVANE_PLUGIN_TEXT_BYTES 64
#define ORVANE_PLUGIN_RANGE_COUNT 39
#define ORVANE_PLUGIN_LIST_CAPACITY 32
#define ORVANE_PLUGIN_INPUT_CAPACITY 16

#ifdef __cplusplus
extern "C" {
#endif

/* One model, as CopyModelDataDll2Main describes it. All integers are little-endian int32. */
typedef struct PluginModelData {
    char modelName[ORVANE_PLUGIN_TEXT_BYTES]; /* the model's name, shown in the model list */
    int32_t type;                             /* model type number, carried with the model */
    int32_t modelId;                          /* model id: decides the toolbar's input table
                                                 and hidden buttons */
    int32_t connectMethod;                    /* default connection: 0 RS-232C, 1 network */
    int32_t comNo;                            /* default serial port index, 0 = COM1 */
    int32_t tcpPort;                          /* default TCP port */
    int32_t discovery;                        /* non-zero: the model answers network discovery */
    int32_t imageSend;                        /* 1: the model takes images */
    int32_t imageDisp;                        /* 1: the model displays images */
    /* "min,max" of each adjustment, empty when the model lacks it, in this order:
       Brightness, Contrast, Color, Tint, Sharpness, UserGammaPoint1-8, ColorTempGainR/G/B,
       ColorTempOffsetR/G/B, OverScan, HPhase, KeystoneV, KeystoneH, Volume, DZoom, DShiftV,
       DShiftH, Treble, Bass, MenuPositionV, MenuPositionH, AutoPowerOff, Magnify,
       CustomGamma, ColorBalR/G/B, OSDBright, ElectricZoom. */
    char ranges[ORVANE_PLUGIN_RANGE_COUNT][ORVANE_PLUGIN_TEXT_BYTES];
    /* Choice lists: the count of valid entries, their codes and labels. */
    int32_t aspectNum;
    int32_t aspectCode[ORVANE_PLUGIN_LIST_CAPACITY];
    char aspectName[ORVANE_PLUGIN_LIST_CAPACITY][ORVANE_PLUGIN_TEXT_BYTES];
    int32_t whisperNum; /* lamp modes */
    int32_t whisperCode[ORVANE_PLUGIN_LIST_CAPACITY];
    char whisperName[ORVANE_PLUGIN_LIST_CAPACITY][ORVANE_PLUGIN_TEXT_BYTES];
    int32_t whisperType; /* lamp-mode type; not taken by the program */
    int32_t gammaNum;
    int32_t gammaCode[ORVANE_PLUGIN_LIST_CAPACITY];
    char gammaName[ORVANE_PLUGIN_LIST_CAPACITY][ORVANE_PLUGIN_TEXT_BYTES];
    int32_t colorTempNum;
    int32_t colorTempCode[ORVANE_PLUGIN_LIST_CAPACITY];
    char colorTempName[ORVANE_PLUGIN_LIST_CAPACITY][ORVANE_PLUGIN_TEXT_BYTES];
    int32_t inputNum; /* input sources: names, then codes */
    char inputName[ORVANE_PLUGIN_INPUT_CAPACITY][ORVANE_PLUGIN_TEXT_BYTES];
    int32_t inputCode[ORVANE_PLUGIN_INPUT_CAPACITY];
    int32_t myButtonNum; /* my-button functions */
    int32_t myButtonCode[ORVANE_PLUGIN_LIST_CAPACITY];
    char myButtonName[ORVANE_PLUGIN_LIST_CAPACITY][ORVANE_PLUGIN_TEXT_BYTES];
    /* Further data of the plug-in's own; not taken by the program. */
    int32_t further[9];
    unsigned char furtherData1[330];
    unsigned char furtherData2[330];
    char furtherText1[ORVANE_PLUGIN_TEXT_BYTES];
    char furtherText2[ORVANE_PLUGIN_TEXT_BYTES];
} PluginModelData;

typedef PluginModelData (*CopyModelDataDll2MainFunction)(void);
typedef int32_t (*BuildDialogFunction)(int32_t method, int32_t comNo, int32_t tcpPort, const char* ip,
                                       const char* password);

#ifdef __cplusplus
}
#define ORVANE_PLUGIN_ASSERT(condition) static_assert(condition, #condition)
#else
#define ORVANE_PLUGIN_ASSERT(condition) _Static_assert(condition, #condition)
#endif

/* The layout is shared between separately built libraries: it must never move. */
ORVANE_PLUGIN_ASSERT(sizeof(PluginModelData) == 15412);
ORVANE_PLUGIN_ASSERT(offsetof(PluginModelData, type) == 64);
ORVANE_PLUGIN_ASSERT(offsetof(PluginModelData, imageDisp) == 92);
ORVANE_PLUGIN_ASSERT(offsetof(PluginModelData, ranges) == 96);
ORVANE_PLUGIN_ASSERT(offsetof(PluginModelData, aspectNum) == 2592);
ORVANE_PLUGIN_ASSERT(offsetof(PluginModelData, aspectName) == 2724);
ORVANE_PLUGIN_ASSERT(offsetof(PluginModelData, whisperNum) == 4772);
ORVANE_PLUGIN_ASSERT(offsetof(PluginModelData, whisperType) == 6952);
ORVANE_PLUGIN_ASSERT(offsetof(PluginModelData, gammaNum) == 6956);
ORVANE_PLUGIN_ASSERT(offsetof(PluginModelData, colorTempNum) == 9136);
ORVANE_PLUGIN_ASSERT(offsetof(PluginModelData, inputNum) == 11316);
ORVANE_PLUGIN_ASSERT(offsetof(PluginModelData, inputCode) == 12344);
ORVANE_PLUGIN_ASSERT(offsetof(PluginModelData, myButtonNum) == 12408);
ORVANE_PLUGIN_ASSERT(offsetof(PluginModelData, myButtonName) == 12540);
ORVANE_PLUGIN_ASSERT(offsetof(PluginModelData, further) == 14588);
ORVANE_PLUGIN_ASSERT(offsetof(PluginModelData, furtherData1) == 14624);
ORVANE_PLUGIN_ASSERT(offsetof(PluginModelData, furtherData2) == 14954);
ORVANE_PLUGIN_ASSERT(offsetof(PluginModelData, furtherText1) == 15284);
ORVANE_PLUGIN_ASSERT(offsetof(PluginModelData, furtherText2) == 15348);

#undef ORVANE_PLUGIN_ASSERT

#endif /* ORVANE_ADJUST_PLUGIN_H */
