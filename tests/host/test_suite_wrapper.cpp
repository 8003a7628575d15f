#include <gtest/gtest.h>

#include "LogCapture.h"
#include "fakehost/FakeHost.h"
#include "host/SuiteWrapper.h"
#include "sdk/PrSDKExportFileSuite.h"
#include "sdk/PrSDKPPixSuite.h"

using fakehost::FakeHost;

namespace {

int countStartingWith(const std::vector<std::string>& messages, const std::string& prefix)
{
    int n = 0;
    for (const std::string& m : messages)
        n += m.rfind(prefix, 0) == 0;
    return n;
}

} // namespace

TEST(SuiteWrapper, EagerWrapperAcquiresOnceAndReleasesOnce)
{
    FakeHost host;
    qtest::LogCapture log;
    {
        SuiteWrapper<PrSDKPPixSuite> ppix(host.basicSuite(), kPrSDKPPixSuite, kPrSDKPPixSuiteVersion, true);
        EXPECT_TRUE(ppix.acquired());
        const PrSDKPPixSuite* first = ppix.get();
        EXPECT_EQ(first, &host.ppixSuite());
        EXPECT_EQ(ppix.get(), first);
        EXPECT_EQ(host.stats(kPrSDKPPixSuite).acquireCalls, 1);
    }
    EXPECT_EQ(host.stats(kPrSDKPPixSuite).releases, 1);
    EXPECT_TRUE(host.allReleased());
    const std::vector<std::string> m = log.messages();
    EXPECT_EQ(countStartingWith(m, "Acquiring suite: r: 0, v: 1, n: 'Premiere PPix Suite', ptr: 0x"), 1);
    EXPECT_EQ(countStartingWith(m, "Releasing suite: r: 0, v: 1, n: 'Premiere PPix Suite'"), 1);
}

TEST(SuiteWrapper, RefusedAtFirstGrantedLater)
{
    FakeHost host;
    qtest::LogCapture log;
    host.refuseNext(kPrSDKPPixSuite, 1);
    {
        SuiteWrapper<PrSDKPPixSuite> ppix(host.basicSuite(), kPrSDKPPixSuite, 1, true);
        EXPECT_FALSE(ppix.acquired()) << "a refusal is not an error when made";
        EXPECT_EQ(ppix.get(), &host.ppixSuite());
        EXPECT_EQ(ppix.get(), &host.ppixSuite());
    }
    const fakehost::SuiteStats stats = host.stats(kPrSDKPPixSuite);
    EXPECT_EQ(stats.acquireCalls, 2);
    EXPECT_EQ(stats.granted, 1);
    EXPECT_EQ(stats.releases, 1);
    const std::vector<std::string> m = log.messages();
    EXPECT_EQ(countStartingWith(m, "Acquiring suite: r: -1, v: 1, n: 'Premiere PPix Suite', ptr: "), 1);
    EXPECT_EQ(countStartingWith(m, "Acquiring suite: r: 0, v: 1, n: 'Premiere PPix Suite', ptr: 0x"), 1);
    EXPECT_EQ(countStartingWith(m, "Releasing suite: "), 1);
}

TEST(SuiteWrapper, LazyWrapperNeverUsedTouchesNothing)
{
    FakeHost host;
    qtest::LogCapture log;
    {
        SuiteWrapper<PrSDKPPixSuite> ppix(host.basicSuite(), kPrSDKPPixSuite, 1, false);
        EXPECT_FALSE(ppix.acquired());
    }
    EXPECT_TRUE(host.calls().empty());
    EXPECT_EQ(log.messages().size(), 1u) << "only \"Log opened\"";
}

TEST(SuiteWrapper, RefusedSuiteThrowsItsNameAndVersionAndReleasesNothing)
{
    FakeHost host;
    host.refuse(kPrSDKPPixSuite);
    host.refuse(kPrSDKExportFileSuite);
    {
        SuiteWrapper<PrSDKPPixSuite> ppix(host.basicSuite(), kPrSDKPPixSuite, 1, true);
        try {
            ppix.get();
            FAIL() << "no exception";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "Could not acquire suite: 'Premiere PPix Suite', ver: 1");
        }
        SuiteWrapper<PrSDKExportFileSuite> file(host.basicSuite(), kPrSDKExportFileSuite, 2, false);
        try {
            file.get();
            FAIL() << "no exception";
        } catch (const std::runtime_error& e) {
            const std::string text = e.what();
            EXPECT_EQ(text.substr(text.size() - 9), "', ver: 2");
        }
    }
    EXPECT_EQ(host.stats(kPrSDKPPixSuite).acquireCalls, 2);
    EXPECT_EQ(host.stats(kPrSDKPPixSuite).releases, 0);
    EXPECT_EQ(host.stats(kPrSDKExportFileSuite).releases, 0);
}

TEST(SuiteWrapper, NoBasicSuiteIsARefusal)
{
    SuiteWrapper<PrSDKPPixSuite> ppix(nullptr, kPrSDKPPixSuite, 1, true);
    EXPECT_FALSE(ppix.acquired());
    EXPECT_THROW(ppix.get(), std::runtime_error);
}
