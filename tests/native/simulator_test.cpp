// The simulator's device model, command language and connection format.
#include "link/linkwire.h"
#include "simulator/devicemodel.h"
#include "simulator/simcommands.h"
#include "simulator/statefile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <thread>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "device/deviceframe.h"

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> Request(RequestKind kind, const ParameterSet& p = kStartParameters)
{
    const RequestFrame f = BuildRequest(kind, p);
    return {f.bytes.begin(), f.bytes.begin() + f.length};
}

DeviceFrame Buffer(const std::vector<uint8_t>& bytes)
{
    DeviceFrame b{};
    std::copy_n(bytes.begin(), std::min<size_t>(bytes.size(), b.size()), b.begin());
    return b;
}

bool Accepted(const std::vector<uint8_t>& reply)
{
    return CheckReply(Buffer(reply), static_cast<int64_t>(reply.size()), true);
}

PollReply Poll(TDeviceModel& m, uint64_t nowMs = 0)
{
    const DeviceOutcome out = m.Handle(Request(RequestKind::Poll), nowMs);
    EXPECT_TRUE(Accepted(out.reply));
    return DecodePollReply(Buffer(out.reply)).value_or(PollReply{});
}

// A state file of its own for each test, removed afterwards.
struct StateFile {
    fs::path path;
    StateFile()
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path = fs::temp_directory_path() /
               ("orvane-sim-" + std::string(info->name()) + "-" + std::to_string(std::random_device{}()));
    }
    ~StateFile()
    {
        std::error_code ec;
        fs::remove(path, ec);
        fs::remove(path.string() + ".new", ec);
    }
    void Write(const std::string& text) const { std::ofstream(path, std::ios::binary) << text; }
};

TEST(DeviceModel, EveryRequestKindGetsAnAcceptedReply)
{
    TDeviceModel m("", 1);
    for (RequestKind k : {RequestKind::Poll, RequestKind::WriteParameters, RequestKind::SelfCheck,
                          RequestKind::SaveParameters}) {
        const DeviceOutcome out = m.Handle(Request(k, FactoryParameters()), 0);
        EXPECT_TRUE(out.accepted) << static_cast<int>(k);
        EXPECT_TRUE(Accepted(out.reply)) << static_cast<int>(k);
        EXPECT_EQ(out.reply[3], static_cast<uint8_t>(k)) << "the command is echoed";
    }
    const DeviceOutcome poll = m.Handle(Request(RequestKind::Poll), 0);
    ASSERT_EQ(poll.reply.size(), 16u);
    EXPECT_EQ(poll.reply[2], kPollReplyLength);
}

TEST(DeviceModel, WrittenParametersComeBackInTheNextPoll)
{
    TDeviceModel m("", 1);
    const ParameterSet written{2, -7, 20, 90, 50, 60, 0, 5, 30};
    m.Handle(Request(RequestKind::WriteParameters, written), 0);
    EXPECT_EQ(ParametersFromPollReply(Poll(m)), written);

    // Out-of-range bytes are held at the ends of the ranges, as the panel's
    // controls would hold them.
    const ParameterSet wild{9, -30, 1, 200, 0, 255, 5, 0, 61};
    const DeviceOutcome out = m.Handle(Request(RequestKind::WriteParameters, wild), 0);
    EXPECT_TRUE(Accepted(out.reply));
    EXPECT_EQ(ParametersFromPollReply(Poll(m)), (ParameterSet{2, -20, 3, 120, 10, 100, 1, 1, 60}));
}

TEST(DeviceModel, OffsetAndWeightingShowInTheReading)
{
    // Same seed, same moments: the same sound, so only the settings differ.
    TDeviceModel flat("", 7), shifted("", 7), weighted("", 7);
    flat.SetParameters({0, 0, 3, 100, 100, 100, 1, 10, 10});
    shifted.SetParameters({0, 12, 3, 100, 100, 100, 1, 10, 10});
    weighted.SetParameters({1, -3, 3, 100, 100, 100, 1, 10, 10});
    for (uint64_t t = 0; t < 60000; t += 700) {
        const int base = Poll(flat, t).reading;
        EXPECT_EQ(Poll(shifted, t).reading, base + 12) << t;
        EXPECT_EQ(Poll(weighted, t).reading, base - 4 - 3) << t;
    }
}

TEST(DeviceModel, SoundWandersPlausiblyAndRepeatsWithItsSeed)
{
    TDeviceModel a("", 42), b("", 42);
    a.SetParameters({0, 0, 3, 100, 100, 100, 1, 10, 10});
    b.SetParameters(a.Parameters());
    std::set<int> seen;
    int previous = -1, biggestStep = 0;
    for (uint64_t t = 0; t < 10 * 60 * 1000; t += 100) {
        const PollReply r = Poll(a, t);
        EXPECT_EQ(r.reading, Poll(b, t).reading);
        EXPECT_GE(r.reading, 40);
        EXPECT_LE(r.reading, 130);
        EXPECT_LE(r.level, kLevelBarLeds);
        EXPECT_EQ(r.level, std::clamp((r.reading - 40) * 37 / 80, 0, 37));
        if (previous >= 0) biggestStep = std::max(biggestStep, std::abs(r.reading - previous));
        previous = r.reading;
        seen.insert(r.reading);
    }
    EXPECT_GT(seen.size(), 15u) << "the level should wander";
    EXPECT_LE(biggestStep, 32) << "no jump beyond a loud event";
}

TEST(DeviceModel, ForcedReadingAndLevel)
{
    TDeviceModel m("", 1);
    m.ForceReading(kReadingE2);
    PollReply r = Poll(m);
    EXPECT_EQ(r.reading, kReadingE2);
    EXPECT_EQ(r.level, 0) << "an error lights no lamp";

    m.ForceReading(120);
    EXPECT_EQ(Poll(m).level, 37);
    m.ForceReading(80);
    EXPECT_EQ(Poll(m).level, 18);
    m.ForceLevel(200);
    r = Poll(m);
    EXPECT_EQ(r.reading, 80);
    EXPECT_EQ(r.level, 200);

    m.ReleaseLevel();
    m.ReleaseReading();
    r = Poll(m, 5000);
    EXPECT_LT(r.reading, kReadingE1);
    EXPECT_EQ(r.level, std::clamp((r.reading - 40) * 37 / 80, 0, 37));
}

TEST(DeviceModel, AlarmFollowsThresholdWithShowAndResetTimes)
{
    TDeviceModel m("", 1);
    m.SetParameters({0, 0, 3, 90, 100, 100, 1, /*show*/ 5, /*reset*/ 10});
    m.ForceReading(80);
    EXPECT_FALSE(m.AlarmOn(0));
    m.ForceReading(90);
    EXPECT_TRUE(m.AlarmOn(1000)) << "at the threshold";
    m.ForceReading(70);
    EXPECT_TRUE(m.AlarmOn(5999)) << "shown for at least the show time";
    EXPECT_FALSE(m.AlarmOn(6000));
    m.ForceReading(100);
    EXPECT_FALSE(m.AlarmOn(15999)) << "quiet for the reset time";
    EXPECT_TRUE(m.AlarmOn(16000));
    m.ForceReading(kReadingE1);
    EXPECT_FALSE(m.AlarmOn(30000)) << "an error code is no loud sound";
}

TEST(DeviceModel, SavedParametersSurviveARestart)
{
    StateFile file;
    const ParameterSet saved{0, 5, 12, 75, 40, 30, 0, 20, 25};
    {
        TDeviceModel m(file.path.string(), 1);
        EXPECT_EQ(m.Parameters(), FactoryParameters()) << "no file yet";
        EXPECT_EQ(m.LoadWarning(), "");
        m.Handle(Request(RequestKind::WriteParameters, saved), 0);
        const DeviceOutcome out = m.Handle(Request(RequestKind::SaveParameters), 0);
        EXPECT_TRUE(Accepted(out.reply));
        EXPECT_EQ(out.reply[4], 0) << "status: saved";
        // Written after the save: gone with the restart.
        m.Handle(Request(RequestKind::WriteParameters, FactoryParameters()), 0);
    }
    TDeviceModel again(file.path.string(), 2);
    EXPECT_EQ(again.LoadWarning(), "");
    EXPECT_EQ(ParametersFromPollReply(Poll(again)), saved);
    EXPECT_FALSE(fs::exists(file.path.string() + ".new"));
}

TEST(DeviceModel, DamagedStateFileGivesDefaultsAndAWarning)
{
    const std::string good = FormatParameterFile({0, 5, 12, 75, 40, 30, 0, 20, 25});
    std::string problem;
    ASSERT_TRUE(ParseParameterFile(good, problem).has_value());

    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string s = good;
        s.replace(s.find(from), from.size(), to);
        return s;
    };
    const std::string damaged[] = {
        std::string("\x00\xFF\x13garbage\n=\n", 13),
        good.substr(0, good.size() / 2),                     // cut off
        good + "micOffset=1\n",                              // given twice
        replaced("alarmThreshold=75", "alarmThreshold=200"), // out of range
        replaced("vuBrightness=30", "vuBrightness=3O"),      // not a number
        replaced("micInputType", "micInputTyp"),             // unknown name
    };
    for (const std::string& text : damaged) {
        StateFile file;
        file.Write(text);
        TDeviceModel m(file.path.string(), 1);
        EXPECT_NE(m.LoadWarning(), "") << text;
        EXPECT_EQ(m.Parameters(), FactoryParameters()) << text;
    }
    // Cut short at every length, as a crash or a full disk may leave it: a
    // value cut to its first digit must not pass for a saved one.
    for (size_t n = 0; n < good.size(); ++n) {
        StateFile file;
        file.Write(good.substr(0, n));
        TDeviceModel m(file.path.string(), 1);
        EXPECT_NE(m.LoadWarning(), "") << n;
        EXPECT_EQ(m.Parameters(), FactoryParameters()) << n;
    }
}

TEST(DeviceModel, FailedSaveIsReportedNotPretended)
{
    StateFile file;
    TDeviceModel m((file.path / "no-such-dir" / "state").string(), 1);
    const ParameterSet before = m.SavedParameters();
    m.Handle(Request(RequestKind::WriteParameters, {0, 5, 12, 75, 40, 30, 0, 20, 25}), 0);
    const DeviceOutcome out = m.Handle(Request(RequestKind::SaveParameters), 0);
    EXPECT_TRUE(Accepted(out.reply));
    EXPECT_EQ(out.reply[4], 1) << "status: not saved";
    EXPECT_NE(out.note.find("save failed"), std::string::npos);
    EXPECT_EQ(m.SavedParameters(), before);
}

// Saves asked for in quick succession (a script, or a hostile client, in a
// loop) rewrite the file a few times a second, not once each: a save within
// the interval waits, later ones join it, and the values of the last one
// asked for are written.
TEST(DeviceModel, SavesCloseTogetherAreWrittenTogetherWithTheLastValues)
{
    StateFile file;
    TDeviceModel m(file.path.string(), 1);
    const ParameterSet a{0, 5, 12, 75, 40, 30, 0, 20, 25}, b{2, -3, 20, 90, 50, 60, 1, 5, 6},
        c{1, 0, 3, 61, 10, 10, 0, 1, 1}, d{2, 20, 45, 120, 100, 100, 1, 60, 60};
    const auto saved = [&] {
        std::string problem;
        return ParseParameterFile(ReadSmallFile(file.path.string(), 1000, problem).value_or(""), problem);
    };
    const auto save = [&](const ParameterSet& p, uint64_t at) {
        m.Handle(Request(RequestKind::WriteParameters, p), at);
        return m.Handle(Request(RequestKind::SaveParameters), at);
    };
    DeviceOutcome out = save(a, 1000);
    EXPECT_FALSE(out.deferred) << "the first is written at once";
    EXPECT_EQ(out.reply[4], 0);
    EXPECT_EQ(saved(), a);
    EXPECT_FALSE(m.SaveDueMs());

    out = save(b, 1100);
    EXPECT_TRUE(out.deferred);
    EXPECT_TRUE(out.reply.empty()) << "answered once written";
    EXPECT_EQ(m.SaveDueMs(), 1000 + kSaveIntervalMs);
    EXPECT_TRUE(save(c, 1200).deferred);
    m.Handle(Request(RequestKind::WriteParameters, d), 1210); // after the last save asked for
    EXPECT_EQ(saved(), a) << "nothing written before its time";

    out = m.FinishSave(1250);
    ASSERT_TRUE(Accepted(out.reply));
    EXPECT_EQ(out.reply[3], static_cast<uint8_t>(RequestKind::SaveParameters));
    EXPECT_EQ(out.reply[4], 0);
    EXPECT_EQ(out.shown, "parameters saved to " + file.path.string());
    EXPECT_EQ(saved(), c);
    EXPECT_EQ(m.SavedParameters(), c);
    EXPECT_FALSE(m.SaveDueMs());

    // The interval counts from that write; well after it, saves go at once.
    EXPECT_TRUE(save(d, 1300).deferred);
    EXPECT_EQ(m.SaveDueMs(), 1250 + kSaveIntervalMs);
    m.SetFault(FaultMode::BadChecksum);
    out = m.FinishSave(1500);
    EXPECT_FALSE(Accepted(out.reply)) << "a fault spoils the late answer too";
    EXPECT_EQ(saved(), d);
    m.SetFault(FaultMode::Off);
    EXPECT_FALSE(save(a, 5000).deferred);
    EXPECT_EQ(saved(), a);

    // Kept only in memory, nothing waits.
    TDeviceModel memory("", 1);
    for (uint64_t at : {0, 1, 2})
        EXPECT_FALSE(memory.Handle(Request(RequestKind::SaveParameters), at).deferred);
}

// Two simulators saving into one state folder at once (or a save racing the
// token file) must never write into each other's temporary file; whoever
// renames last wins, with a whole file.
TEST(StateFile, SaversNeverShareATemporaryFileAndAFailureLeavesTheOldFile)
{
    StateFile scratch;
    fs::create_directories(scratch.path);
    const std::string path = (scratch.path / "parameters").string();
    std::vector<std::string> texts;
    for (char c = 'a'; c < 'e'; ++c)
        texts.push_back(std::string(20000, c) + "\n");
    std::vector<std::jthread> savers;
    std::atomic<int> failedWithoutReason{0};
    for (const std::string& text : texts)
        savers.emplace_back([&, text] {
            for (int i = 0; i < 10; ++i) {
                std::string error;
                // Windows may refuse a rename over a file being replaced
                // this moment; a refusal must say so.
                if (!WriteFileAtomically(path, text, true, error) && error.empty()) ++failedWithoutReason;
            }
        });
    savers.clear();
    EXPECT_EQ(failedWithoutReason, 0);
    std::string problem;
    const auto saved = ReadSmallFile(path, 1 << 20, problem);
    ASSERT_TRUE(saved) << problem;
    EXPECT_NE(std::find(texts.begin(), texts.end(), *saved), texts.end())
        << "a whole file, one of those written";
    for (const auto& e : fs::directory_iterator(scratch.path))
        EXPECT_EQ(e.path().filename().string(), "parameters") << "left behind";
#ifndef _WIN32
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
#endif

    std::string error;
    EXPECT_FALSE(WriteFileAtomically((scratch.path / "gone" / "parameters").string(), "x\n", false, error));
    EXPECT_NE(error.find("gone"), std::string::npos) << error;
    EXPECT_EQ(ReadSmallFile(path, 1 << 20, problem), saved);
    EXPECT_FALSE(ReadSmallFile(path, 100, problem));
    EXPECT_NE(problem, "") << "too large is a problem, not a missing file";
    fs::remove_all(scratch.path);
}

TEST(DeviceModel, FaultModesSpoilRepliesAsNamed)
{
    TDeviceModel m("", 3);
    m.ForceReading(77);
    const auto poll = Request(RequestKind::Poll);
    const std::vector<uint8_t> good = m.Handle(poll, 0).reply;

    m.SetFault(FaultMode::Drop);
    DeviceOutcome out = m.Handle(poll, 0);
    EXPECT_TRUE(out.accepted);
    EXPECT_TRUE(out.reply.empty());

    m.SetFault(FaultMode::Garbage);
    for (int i = 0; i < 50; ++i) {
        out = m.Handle(poll, 0);
        ASSERT_EQ(out.reply.size(), good.size());
        EXPECT_NE(out.reply[0], 0xEB);
        EXPECT_FALSE(Accepted(out.reply));
    }

    m.SetFault(FaultMode::Short);
    out = m.Handle(poll, 0);
    EXPECT_EQ(out.reply, std::vector<uint8_t>(good.begin(), good.begin() + 8));

    m.SetFault(FaultMode::BadChecksum);
    out = m.Handle(poll, 0);
    ASSERT_EQ(out.reply.size(), good.size());
    EXPECT_TRUE(std::equal(good.begin(), good.end() - 1, out.reply.begin()));
    EXPECT_EQ(out.reply.back(), static_cast<uint8_t>(good.back() + 1));
    EXPECT_FALSE(Accepted(out.reply));

    m.SetFault(FaultMode::Delay, 250);
    out = m.Handle(poll, 0);
    EXPECT_EQ(out.reply, good);
    EXPECT_EQ(out.delayMs, 250);

    m.SetFault(FaultMode::Off);
    out = m.Handle(poll, 0);
    EXPECT_EQ(out.reply, good);
    EXPECT_EQ(out.delayMs, 0);
    EXPECT_EQ(out.note, "");
}

TEST(DeviceModel, BadRequestsGetNoReply)
{
    TDeviceModel m("", 1);
    auto withChecksum = [](std::vector<uint8_t> f) {
        f.push_back(FrameChecksum(f));
        return f;
    };
    auto badSum = Request(RequestKind::Poll);
    ++badSum.back();
    auto longer = Request(RequestKind::Poll);
    longer.push_back(0);
    const std::vector<uint8_t> bad[] = {
        {},
        {0xEB},
        withChecksum({0xEB, 0x91, 0x01, 0x01}), // a reply header
        withChecksum({0xEA, 0x90, 0x01, 0x01}),
        badSum,
        longer,
        withChecksum({0xEB, 0x90, 0x01, 0x05}),       // unknown command
        withChecksum({0xEB, 0x90, 0x01, 0x00}),       // "none" is never a request
        withChecksum({0xEB, 0x90, 0x02, 0x01, 0x00}), // poll with a payload
        withChecksum({0xEB, 0x90, 0x01, 0x02}),       // write without parameters
    };
    const ParameterSet before = m.Parameters();
    for (const auto& f : bad) {
        const DeviceOutcome out = m.Handle(f, 0);
        EXPECT_FALSE(out.accepted) << HexBytes(f);
        EXPECT_TRUE(out.reply.empty()) << HexBytes(f);
        EXPECT_NE(out.note, "") << HexBytes(f);
    }
    EXPECT_EQ(m.Parameters(), before);

    // Noise of every length: never answered, never a crash.
    std::mt19937 rng(5);
    for (int i = 0; i < 2000; ++i) {
        std::vector<uint8_t> noise(rng() % 40);
        for (auto& b : noise)
            b = static_cast<uint8_t>(rng());
        if (!noise.empty()) noise[0] = 0xEB;
        if (noise.size() > 1) noise[1] = 0x90;
        const DeviceOutcome out = m.Handle(noise, 0);
        if (!out.accepted) {
            EXPECT_TRUE(out.reply.empty());
        }
    }
}

struct RecordingLink : TSimLink {
    std::vector<std::string> calls;
    void Plug() override { calls.push_back("plug"); }
    void Unplug() override { calls.push_back("unplug"); }
    void Quit() override { calls.push_back("quit"); }
};

TEST(SimCommands, EachCommandActsAndAnswersOneLine)
{
    TDeviceModel m("", 1);
    RecordingLink link;
    auto run = [&](const std::string& line) { return ExecuteCommand(line, m, link, 0); };

    EXPECT_EQ(run("unplug"), "ok unplugged");
    EXPECT_EQ(run("  PLUG "), "ok plugged");
    EXPECT_EQ(run("quit"), "ok bye");
    EXPECT_EQ(link.calls, (std::vector<std::string>{"unplug", "plug", "quit"}));

    EXPECT_EQ(run("reading E8"), "ok reading E8");
    EXPECT_EQ(m.Reading(0), kReadingE8);
    EXPECT_EQ(run("reading $5A"), "ok reading $5A");
    EXPECT_EQ(m.Reading(0), 0x5A);
    EXPECT_EQ(run("reading auto"), "ok reading auto");
    EXPECT_EQ(run("level 37"), "ok level 37");
    EXPECT_EQ(m.Level(0), 37);
    EXPECT_EQ(run("level auto"), "ok level auto");

    EXPECT_EQ(run("fault delay 1500"), "ok fault delay 1500");
    EXPECT_EQ(m.Fault(), FaultMode::Delay);
    EXPECT_EQ(m.FaultDelayMs(), 1500);
    EXPECT_EQ(run("fault bad-checksum"), "ok fault bad-checksum");
    EXPECT_EQ(m.Fault(), FaultMode::BadChecksum);
    EXPECT_EQ(run("fault off"), "ok fault off");
    EXPECT_EQ(m.Fault(), FaultMode::Off);

    m.SetParameters({2, -5, 9, 81, 50, 60, 0, 7, 8});
    const std::string params = run("params");
    EXPECT_EQ(
        params.rfind("ok input=2 offset=-5 refresh=9 threshold=81 number-brightness=50 bar-brightness=60 "
                     "auto-brightness=0 show-time=7 reset-time=8",
                     0),
        0u)
        << params;
    EXPECT_EQ(run(""), "") << "a blank line needs no answer";
}

TEST(SimCommands, BadArgumentsAreRefusedAndChangeNothing)
{
    TDeviceModel m("", 1);
    RecordingLink link;
    m.ForceReading(60);
    for (const char* line :
         {"reading 256", "reading -1", "reading E3", "reading", "level x", "level 1 2", "fault",
          "fault delay", "fault delay -5", "fault sometimes", "plug now", "dance"}) {
        const std::string answer = ExecuteCommand(line, m, link, 0);
        EXPECT_EQ(answer.rfind("error ", 0), 0u) << line << " -> " << answer;
    }
    EXPECT_EQ(m.Reading(0), 60);
    EXPECT_EQ(m.Fault(), FaultMode::Off);
    EXPECT_TRUE(link.calls.empty());
}

TEST(LinkWire, MessagesSurviveAnySplitting)
{
    std::vector<uint8_t> stream = EncodeHello(0x12345678, true);
    const uint8_t frame[] = {0xEB, 0x90, 0x01, 0x01, 0x7D};
    const auto f = EncodeLink(LinkType::Frame, frame);
    stream.insert(stream.end(), f.begin(), f.end());
    const auto o = EncodeLink(LinkType::Open);
    stream.insert(stream.end(), o.begin(), o.end());

    for (size_t piece : {size_t{1}, size_t{3}, stream.size()}) {
        TLinkReader r;
        std::vector<LinkMessage> got;
        for (size_t i = 0; i < stream.size(); i += piece) {
            r.Feed(std::span(stream).subspan(i, std::min(piece, stream.size() - i)));
            while (auto m = r.Next())
                got.push_back(*m);
        }
        ASSERT_EQ(got.size(), 3u) << piece;
        uint32_t pid = 0;
        bool exclusive = false;
        EXPECT_TRUE(DecodeHello(got[0], pid, exclusive));
        EXPECT_EQ(pid, 0x12345678u);
        EXPECT_TRUE(exclusive);
        EXPECT_EQ(got[1].type, LinkType::Frame);
        EXPECT_EQ(got[1].body, std::vector<uint8_t>(std::begin(frame), std::end(frame)));
        EXPECT_EQ(got[2].type, LinkType::Open);
        EXPECT_TRUE(got[2].body.empty());
        EXPECT_FALSE(r.Broken());
    }
}

// A peer that never lets a read end on a message boundary: what the reader
// keeps must stay the size of a message or two, not of the whole stream.
TEST(LinkWire, AMessageAlwaysPendingDoesNotGrowTheReader)
{
    const auto one = EncodeLink(LinkType::Frame, std::vector<uint8_t>(200, 0x5A));
    std::vector<uint8_t> piece;
    for (int i = 0; i < 20; ++i)
        piece.insert(piece.end(), one.begin(), one.end());
    // The end of one message, 19 whole ones and the start of the next.
    std::rotate(piece.begin(), piece.begin() + 100, piece.end());

    TLinkReader r;
    r.Feed(std::span(one).first(100));
    size_t fed = 100, messages = 0, wrong = 0, largest = 0;
    while (fed < (size_t{100} << 20)) {
        r.Feed(piece);
        fed += piece.size();
        while (auto m = r.Next()) {
            ++messages;
            if (m->type != LinkType::Frame || m->body.size() != 200) ++wrong;
        }
        largest = std::max(largest, r.Capacity());
    }
    EXPECT_FALSE(r.Broken());
    EXPECT_EQ(wrong, 0u);
    EXPECT_EQ(messages, (fed - 100) / one.size());
    EXPECT_LT(largest, size_t{16} * 1024);
}

TEST(LinkWire, ImpossibleLengthsBreakTheStream)
{
    for (std::vector<uint8_t> bytes :
         {std::vector<uint8_t>{0x00, 0x00, 'F'}, std::vector<uint8_t>{0x01, 0x01, 'F'}}) {
        TLinkReader r;
        r.Feed(bytes);
        EXPECT_FALSE(r.Next().has_value());
        EXPECT_TRUE(r.Broken());
        r.Feed(EncodeLink(LinkType::Open));
        EXPECT_FALSE(r.Next().has_value()) << "out of step for good";
    }
    EXPECT_EQ(HexBytes(std::vector<uint8_t>{0xEB, 0x05, 0x7D}), "EB 05 7D");
    EXPECT_EQ(ParsePort("37500"), 37500);
    EXPECT_FALSE(ParsePort("0").has_value());
    EXPECT_FALSE(ParsePort("65536").has_value());
    EXPECT_FALSE(ParsePort("x").has_value());
}

} // namespace
