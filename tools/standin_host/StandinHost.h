// The stand-in editor: the test double of the host (fakehost::FakeHost) with every suite the
// plug-ins call wrapped so that each call lands in one ordered call log, the export file suite
// replaced by one over real files, and standard parameters whose basic suite is logged too.
//
// One StandinHost exists at a time; it owns its FakeHost, so configure the double through fake().
#pragma once

#include <memory>
#include <set>
#include <string>

#include "fakehost/FakeHost.h"
#include "tools/standin_host/CallLog.h"
#include "tools/standin_host/OutputFiles.h"

namespace standin {

class StandinHost {
public:
    StandinHost();
    ~StandinHost();
    StandinHost(const StandinHost&) = delete;
    StandinHost& operator=(const StandinHost&) = delete;

    static StandinHost& current();

    fakehost::FakeHost& fake() { return *m_fake; }
    CallLog& log() { return m_log; }
    OutputFiles& outputs() { return *m_outputs; }

    // Standard parameters whose basic suite logs "Basic.acquire" and "Basic.release" before
    // handing over to the double's accounting.
    exportStdParms* exporterStdParms() { return &m_exportParms; }
    imStdParms* importerStdParms() { return &m_importParms; }

    SPBasicSuite* basicSuite() { return &m_basic; }

    // Export Info queries of these keys fail without touching the answer record.
    void failSourceInfo(std::set<int> keys) { m_failingSourceInfo = std::move(keys); }
    bool sourceInfoFails(int key) const { return m_failingSourceInfo.count(key) != 0; }
    // A suite function ("PPix.getPixels") that throws an exception of no standard type (an int)
    // into the plug-in, as a misbehaving host might; "" stops it.
    void throwFrom(std::string function) { m_throwingFunction = std::move(function); }
    const std::string& throwingFunction() const { return m_throwingFunction; }

    // Wall time spent inside the plug-in's export-loop callbacks so far.
    double callbackSeconds() const { return m_callbackSeconds; }
    void addCallbackSeconds(double s) { m_callbackSeconds += s; }

    // Suites acquired and not released, summed over every suite.
    int outstandingSuites() const;

private:
    std::unique_ptr<fakehost::FakeHost> m_fake;
    CallLog m_log;
    std::unique_ptr<OutputFiles> m_outputs;
    SPBasicSuite m_basic{};
    PlugUtilFuncs m_utilFuncs{};
    PlugSuites m_piSuites{};
    exportStdParms m_exportParms{};
    std::set<int> m_failingSourceInfo;
    std::string m_throwingFunction;
    double m_callbackSeconds = 0;
    imStdParms m_importParms{};

    struct Proxies;
    std::unique_ptr<Proxies> m_proxies;
};

} // namespace standin
