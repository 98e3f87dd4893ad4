#include "catalog/Language.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(LanguageFromLocale, SimplifiedChineseInItsForms) {
    for (const char* name : {"zh_CN.UTF-8", "zh_CN", "zh_SG.GB2312", "zh", "zh.UTF-8", "zh-Hans", "zh_Hans_CN",
                             "zh-hans-SG", "ZH_cn.utf8", "zh_CN@pinyin"})
        EXPECT_EQ(LanguageFromLocale(name), 2052) << name;
}

TEST(LanguageFromLocale, TraditionalChineseByRegionOrScript) {
    EXPECT_EQ(LanguageFromLocale("zh_TW.UTF-8"), 1028);
    EXPECT_EQ(LanguageFromLocale("zh-Hant"), 1028);
    EXPECT_EQ(LanguageFromLocale("zh_Hant_TW"), 1028);
    EXPECT_EQ(LanguageFromLocale("zh_HK.big5hkscs"), 3076);
    EXPECT_EQ(LanguageFromLocale("zh-Hant-HK"), 3076);
    EXPECT_EQ(LanguageFromLocale("zh_MO"), 5124);
}

TEST(LanguageFromLocale, EnglishAndTheFallback) {
    for (const char* name :
         {"en_US.UTF-8", "en_GB", "en", "C", "C.UTF-8", "POSIX", "", "xx_YY", "klingon", "_", ".UTF-8", "@euro"})
        EXPECT_EQ(LanguageFromLocale(name), 1033) << '"' << name << '"';
}

TEST(LanguageFromLocale, CommonLanguages) {
    struct Case {
        const char* locale;
        int id;
    };
    const Case cases[] = {
        {"de_DE.UTF-8", 1031}, {"de_AT", 1031},       {"fr_FR", 1036}, {"fr_CA.UTF-8", 1036}, {"es_ES", 3082},
        {"it_IT", 1040},       {"ja_JP.eucJP", 1041}, {"ko_KR", 1042}, {"pt_BR.UTF-8", 1046}, {"pt-BR", 1046},
        {"pt_PT", 2070},       {"pt", 2070},          {"ru_RU", 1049}, {"nl_NL", 1043},       {"pl_PL", 1045},
        {"sv_SE", 1053},       {"nb_NO", 1044},       {"tr_TR", 1055}, {"uk_UA", 1058},       {"cs_CZ", 1029},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LanguageFromLocale(c.locale), c.id) << c.locale;
}

} // namespace
} // namespace orvane
