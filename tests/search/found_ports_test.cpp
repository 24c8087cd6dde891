#include <gtest/gtest.h>

#include "search/found_ports.h"

namespace {

std::vector<std::wstring> Names(const std::vector<PortEntry>& ports) {
    std::vector<std::wstring> names;
    for (const PortEntry& p : ports) names.push_back(p.name);
    return names;
}

TEST(OrdinalLess, CodeUnitOrderWithPrefixFirst) {
    EXPECT_TRUE(OrdinalLess(L"COM10", L"COM2"));
    EXPECT_TRUE(OrdinalLess(L"COM1", L"COM10"));
    EXPECT_FALSE(OrdinalLess(L"COM10", L"COM1"));
    EXPECT_TRUE(OrdinalLess(L"COM", L"com"));  // upper case first: no case folding
    EXPECT_FALSE(OrdinalLess(L"COM3", L"COM3"));
    EXPECT_TRUE(OrdinalLess(L"", L"A"));
    // Unsigned 16-bit units: a high unit sorts after ASCII.
    EXPECT_TRUE(OrdinalLess(L"COMZ", std::wstring(L"COM") + static_cast<wchar_t>(0xFF10)));
}

TEST(RecordProbeResult, KeepsTheListSortedWhateverTheArrivalOrder) {
    std::vector<PortEntry> ports;
    for (const wchar_t* name : {L"COM2", L"COM10", L"COM1", L"COM3", L"COM21", L"COM100"})
        RecordProbeResult(ports, name, ProbeResult::NoReply, {});
    EXPECT_EQ(Names(ports),
              (std::vector<std::wstring>{L"COM1", L"COM10", L"COM100", L"COM2", L"COM21", L"COM3"}));
}

TEST(RecordProbeResult, NewEntriesTakeTheResultAndValues) {
    std::vector<PortEntry> ports;
    RecordOutcome outcome = RecordProbeResult(ports, L"COM5", ProbeResult::PortBusy, {3, -1, 0, 0});
    EXPECT_TRUE(outcome.changed);
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_EQ(ports[0].state, static_cast<int32_t>(ProbeResult::PortBusy));
    EXPECT_EQ(ports[0].model, 3);
    EXPECT_EQ(ports[0].serial, -1);
    EXPECT_FALSE(ports[0].stale);
}

struct UpdateCase {
    const char* what;
    ProbeResult before;
    ProbeValues beforeValues;
    ProbeResult result;
    ProbeValues values;
    bool changed;
    ProbeResult after;
    ProbeValues afterValues;
};

TEST(RecordProbeResult, ExistingEntries) {
    const ProbeValues reader{2, 1234, 0x01080000, 1700000000};
    const ProbeValues other{3, 99, 0x02000000, 5};
    const ProbeValues none{0, -1, 0, 0};
    const UpdateCase cases[] = {
        {"failure leaves an entry alone", ProbeResult::Identified, reader, ProbeResult::NoReply, none, false,
         ProbeResult::Identified, reader},
        {"busy port that fails otherwise takes the later result", ProbeResult::PortBusy, none,
         ProbeResult::LinkLost, none, true, ProbeResult::LinkLost, none},
        {"busy port found free and silent", ProbeResult::PortBusy, {4, -1, 0, 0}, ProbeResult::NoReply, none,
         true, ProbeResult::NoReply, none},
        {"lost link that answers garbled", ProbeResult::LinkLost, none, ProbeResult::BadReply, none, true,
         ProbeResult::BadReply, none},
        {"busy again changes nothing", ProbeResult::PortBusy, none, ProbeResult::PortBusy, none, false,
         ProbeResult::PortBusy, none},
        {"silent port is not redone by a later failure", ProbeResult::NoReply, none, ProbeResult::BadReply,
         none, false, ProbeResult::NoReply, none},
        {"same reader again changes nothing", ProbeResult::Identified, reader, ProbeResult::Identified,
         reader, false, ProbeResult::Identified, reader},
        {"another reader on the port", ProbeResult::Identified, reader, ProbeResult::Identified, other, true,
         ProbeResult::Identified, other},
        {"busy port identified later", ProbeResult::PortBusy, none, ProbeResult::Identified, reader, true,
         ProbeResult::Identified, reader},
        {"same values but not yet identified", ProbeResult::NoReply, reader, ProbeResult::Identified, reader,
         true, ProbeResult::Identified, reader},
    };
    for (const UpdateCase& c : cases) {
        std::vector<PortEntry> ports;
        RecordProbeResult(ports, L"COM1", ProbeResult::NoReply, {});
        RecordProbeResult(ports, L"COM7", c.before, c.beforeValues);
        RecordProbeResult(ports, L"COM9", ProbeResult::NoReply, {});
        RecordOutcome outcome = RecordProbeResult(ports, L"COM7", c.result, c.values);
        EXPECT_EQ(outcome.changed, c.changed) << c.what;
        ASSERT_EQ(ports.size(), 3u) << c.what;
        ASSERT_EQ(outcome.index, 1u) << c.what;
        const PortEntry& entry = ports[1];
        EXPECT_EQ(entry.state, static_cast<int32_t>(c.after)) << c.what;
        EXPECT_EQ(entry.model, c.afterValues.model) << c.what;
        EXPECT_EQ(entry.serial, c.afterValues.serial) << c.what;
        EXPECT_EQ(entry.firmware, c.afterValues.firmware) << c.what;
        EXPECT_EQ(entry.buildTime, c.afterValues.buildTime) << c.what;
    }
}

}  // namespace
