// Acquiring and giving back host suites: the per-command handler, the scoper and the free helpers.
#include <gtest/gtest.h>

#include "AEFX_SuiteScoper.h"
#include "AEGP_SuiteHandler.h"
#include "support/HostFixture.h"

namespace {

using SuiteAccess = HostFixture;

struct Accessor {
    const char* name;
    const void* (*call)(AEGP_SuiteHandler&);
    const char* suite;
    int version;
};

#define MRPH_ACCESSOR_CASE(accessor, type, name, version) \
    {#accessor, [](AEGP_SuiteHandler& h) -> const void* { return h.accessor(); }, name, version},
const Accessor kAccessors[] = {MRPH_SUITE_TABLE(MRPH_ACCESSOR_CASE)};
#undef MRPH_ACCESSOR_CASE

TEST_F(SuiteAccess, HandlerAsksForTheExactNameAndVersion) {
    // The names and versions the host must be asked for, as the host publishes them.
    struct Expected {
        const char* accessor;
        const char* suite;
        int version;
    };
    const Expected expected[] = {
        {"HandleSuite1", "PF Handle Suite", 2},       {"AppSuite4", "PF AE App Suite", 6},
        {"ANSICallbacksSuite1", "PF ANSI Suite", 1},  {"UtilitySuite3", "AEGP Utility Suite", 7},
        {"StreamSuite1", "AEGP Stream Suite", 4},     {"StreamSuite2", "AEGP Stream Suite", 7},
        {"StreamSuite5", "AEGP Stream Suite", 10},    {"DynamicStreamSuite4", "AEGP Dynamic Stream Suite", 5},
        {"LayerSuite5", "AEGP Layer Suite", 11},      {"LayerSuite7", "AEGP Layer Suite", 13},
        {"CompSuite10", "AEGP Comp Suite", 21},       {"ItemSuite8", "AEGP Item Suite", 13},
        {"EffectSuite4", "AEGP Effect Suite", 4},     {"KeyframeSuite3", "AEGP Keyframe Suite", 3},
        {"SurfaceSuiteCurrent", "DRAWBOT Surface Suite", 2},
    };
    for (const Expected& e : expected) {
        bool found = false;
        for (const Accessor& a : kAccessors) {
            if (std::string(a.name) != e.accessor) continue;
            found = true;
            EXPECT_STREQ(a.suite, e.suite) << e.accessor;
            EXPECT_EQ(a.version, e.version) << e.accessor;
        }
        EXPECT_TRUE(found) << e.accessor;
    }
    EXPECT_EQ(sizeof(kAccessors) / sizeof(kAccessors[0]), 23u);
}

TEST_F(SuiteAccess, EachAccessorAcquiresOnceAndReleasesAtTheEnd) {
    for (const Accessor& a : kAccessors) {
        host_.suites().resetCounts();
        {
            AEGP_SuiteHandler suites(basic());
            try {
                const void* first = a.call(suites);
                const void* second = a.call(suites);
                EXPECT_EQ(first, second) << a.name;
            } catch (int code) {
                // This host does not serve every suite yet; a refusal must then be 516.
                EXPECT_EQ(code, 516) << a.name;
                continue;
            }
            EXPECT_EQ(host_.suites().acquired(a.suite, a.version), 1) << a.name;
            EXPECT_EQ(host_.suites().released(a.suite, a.version), 0) << a.name;
        }
        EXPECT_EQ(host_.suites().released(a.suite, a.version), 1) << a.name;
        EXPECT_TRUE(host_.suites().balanced()) << host_.suites().imbalance();
    }
}

TEST_F(SuiteAccess, UnusedHandlerReleasesNothing) {
    { AEGP_SuiteHandler suites(basic()); }
    EXPECT_TRUE(host_.trace().lines().empty());
}

TEST_F(SuiteAccess, RefusedOrNullSuiteThrows516AndCachesNothing) {
    for (bool grantNull : {false, true}) {
        host_.suites().clearFaults();
        host_.suites().resetCounts();
        if (grantNull) host_.suites().grantNull(kAEGPStreamSuite, 7);
        else host_.suites().refuse(kAEGPStreamSuite, 7);
        {
            AEGP_SuiteHandler suites(basic());
            EXPECT_THROW(
                {
                    try {
                        suites.StreamSuite2();
                    } catch (int code) {
                        EXPECT_EQ(code, 516);
                        throw;
                    }
                },
                int);
            host_.suites().clearFaults();
            EXPECT_NE(suites.StreamSuite2(), nullptr);  // asked again, not cached as null
        }
        EXPECT_TRUE(host_.suites().balanced()) << host_.suites().imbalance();
    }
}

TEST_F(SuiteAccess, NullBasicSuiteThrows516) {
    EXPECT_THROW(
        {
            try {
                AEGP_SuiteHandler suites(nullptr);
            } catch (int code) {
                EXPECT_EQ(code, 516);
                throw;
            }
        },
        int);
}

TEST_F(SuiteAccess, ScoperHoldsForItsScope) {
    {
        AEFX_SuiteScoper<PF_HandleSuite1> handles(in(), kPFHandleSuite, kPFHandleSuiteVersion1, out());
        EXPECT_NE(handles.get(), nullptr);
        EXPECT_EQ(host_.suites().acquired(kPFHandleSuite, 2), 1);
        EXPECT_EQ(host_.suites().released(kPFHandleSuite, 2), 0);
    }
    EXPECT_EQ(host_.suites().released(kPFHandleSuite, 2), 1);
}

TEST_F(SuiteAccess, ScoperTurnsMissingOrNullSuiteIntoThirteen) {
    for (bool grantNull : {false, true}) {
        host_.suites().clearFaults();
        host_.suites().resetCounts();
        out()->out_flags = 0;
        out()->return_msg[0] = '\0';
        if (grantNull) host_.suites().grantNull(kPFHandleSuite, 2);
        else host_.suites().refuse(kPFHandleSuite, 2);
        int thrown = 0;
        try {
            AEFX_SuiteScoper<PF_HandleSuite1> handles(in(), kPFHandleSuite, kPFHandleSuiteVersion1, out());
        } catch (int code) {
            thrown = code;
        }
        EXPECT_EQ(thrown, 13) << (grantNull ? "null suite" : "refused suite");
        EXPECT_TRUE(out()->out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE);
        EXPECT_STREQ(out()->return_msg, "Not able to acquire AEFX Suite.");
        EXPECT_TRUE(host_.suites().balanced()) << host_.suites().imbalance();
    }
}

TEST_F(SuiteAccess, FreeHelpersReportTheirMessages) {
    void* suite = nullptr;
    host_.suites().refuse(kPFANSISuite, 1);
    EXPECT_EQ(AEFX_AcquireSuite(in(), out(), kPFANSISuite, 1, nullptr, &suite), 516);
    EXPECT_STREQ(out()->return_msg, "Not able to acquire AEFX Suite.");
    EXPECT_EQ(AEFX_AcquireSuite(in(), out(), kPFANSISuite, 1, "ANSI is gone", &suite), 516);
    EXPECT_STREQ(out()->return_msg, "ANSI is gone");
    host_.suites().clearFaults();
    EXPECT_EQ(AEFX_AcquireSuite(in(), out(), kPFANSISuite, 1, nullptr, &suite), 0);
    EXPECT_NE(suite, nullptr);
    EXPECT_EQ(AEFX_ReleaseSuite(in(), out(), kPFANSISuite, 1, nullptr), 0);
    EXPECT_TRUE(host_.suites().balanced());

    PF_InData noBasic = *in();
    noBasic.pica_basicP = nullptr;
    EXPECT_EQ(AEFX_ReleaseSuite(&noBasic, out(), kPFANSISuite, 1, nullptr), 516);
    EXPECT_STREQ(out()->return_msg, "Not able to release AEFX Suite.");
}

TEST_F(SuiteAccess, LongErrorTextIsCutToTheReturnMessage) {
    std::string longText(1000, 'x');
    void* suite = nullptr;
    host_.suites().refuse(kPFANSISuite, 1);
    EXPECT_EQ(AEFX_AcquireSuite(in(), out(), kPFANSISuite, 1, longText.c_str(), &suite), 516);
    EXPECT_EQ(std::string(out()->return_msg), longText.substr(0, sizeof(out()->return_msg) - 1));
}

TEST_F(SuiteAccess, FreeAcquireGivesBackANullGrant) {
    // A host that answers success with no table has still counted a reference.
    for (bool grantNull : {false, true}) {
        host_.suites().clearFaults();
        host_.suites().resetCounts();
        if (grantNull) host_.suites().grantNull(kPFANSISuite, 1);
        else host_.suites().refuse(kPFANSISuite, 1);
        void* suite = &suite;
        EXPECT_EQ(AEFX_AcquireSuite(in(), out(), kPFANSISuite, 1, nullptr, &suite), 516);
        EXPECT_EQ(suite, nullptr);
        EXPECT_TRUE(host_.suites().balanced()) << (grantNull ? "null grant: " : "refusal: ")
                                               << host_.suites().imbalance();
    }
}

TEST_F(SuiteAccess, DrawbotSuitesReleaseOnlyWhatWasAcquired) {
    DRAWBOT_Suites drawbot{};
    EXPECT_EQ(AEFX_AcquireDrawbotSuites(in(), out(), nullptr), 514);
    EXPECT_STREQ(out()->return_msg, "NULL suite pointer passed to AEFX_AcquireDrawbotSuites");

    EXPECT_EQ(AEFX_AcquireDrawbotSuites(in(), out(), &drawbot), 0);
    EXPECT_NE(drawbot.path_suiteP, nullptr);
    EXPECT_EQ(AEFX_ReleaseDrawbotSuites(in(), out()), 0);
    EXPECT_TRUE(host_.suites().balanced()) << host_.suites().imbalance();

    host_.suites().refuse(kDRAWBOT_SupplierSuite, 1);
    drawbot = DRAWBOT_Suites{};
    EXPECT_EQ(AEFX_AcquireDrawbotSuites(in(), out(), &drawbot), 516);
    EXPECT_EQ(host_.suites().acquired(kDRAWBOT_SurfaceSuite, 2), 1);  // only from the first round
    EXPECT_EQ(AEFX_ReleaseDrawbotSuites(in(), out()), 0);
    EXPECT_TRUE(host_.suites().balanced()) << host_.suites().imbalance();
}

TEST_F(SuiteAccess, NestedDrawbotAcquisitionsReleaseOneSetEach) {
    DRAWBOT_Suites outer{}, inner{};
    ASSERT_EQ(AEFX_AcquireDrawbotSuites(in(), out(), &outer), 0);
    ASSERT_EQ(AEFX_AcquireDrawbotSuites(in(), out(), &inner), 0);
    EXPECT_EQ(host_.suites().acquired(kDRAWBOT_PathSuite, 1), 2);
    EXPECT_EQ(AEFX_ReleaseDrawbotSuites(in(), out()), 0);
    // The outer set is still held after the inner pair.
    EXPECT_EQ(host_.suites().released(kDRAWBOT_DrawSuite, 1), 1);
    EXPECT_EQ(host_.suites().released(kDRAWBOT_PathSuite, 1), 1);
    EXPECT_EQ(AEFX_ReleaseDrawbotSuites(in(), out()), 0);
    EXPECT_TRUE(host_.suites().balanced()) << host_.suites().imbalance();
    // A release with nothing held gives nothing back.
    EXPECT_EQ(AEFX_ReleaseDrawbotSuites(in(), out()), 0);
    EXPECT_TRUE(host_.suites().balanced()) << host_.suites().imbalance();
}

}  // namespace
