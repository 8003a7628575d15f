#pragma once
// Per-stage statistics of the engine: one record per stage and thread. Nothing the codec
// produces depends on them; the passes do not time themselves, so the records only carry the
// stage names and the per-thread slots a profiler would fill.

#include <cstdint>
#include <string>
#include <vector>

class Timer {
public:
    void clear() { m_calls = 0; m_nanoseconds = 0; }
    void add(uint64_t nanoseconds) { ++m_calls; m_nanoseconds += nanoseconds; }
    uint64_t calls() const { return m_calls; }
    uint64_t nanoseconds() const { return m_nanoseconds; }

private:
    uint64_t m_calls = 0;
    uint64_t m_nanoseconds = 0;
};

struct TimerSet {
    std::string name;
    std::vector<Timer> perThread;
};

enum StageTimer : int {
    kTimerHuffTablesComp,
    kTimerHuffTablesDecomp,
    kTimerFinalize,
    kTimerDecorrSplit,
    kTimerConvert,
    kTimerDecorr2,
    kTimerPredictScores,
    kTimerPredict,
    kTimerCalcFreq,
    kTimerHuffEncode,
    kTimerHuffDecode,
    kTimerUnpredict,
    kTimerUndecorrJoin,
    kStageTimerCount
};
