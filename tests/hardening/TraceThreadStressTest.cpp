// The trace facility under 16 threads calling traced operations at once
// (operations that touch none of the library's lists: the class itself is
// called from one thread at a time).
// Every line of the trace must be whole, the records of the first eight
// extra threads carry their own tag and nest correctly, and the tenth and
// later threads share the overflow slot.
#include <condition_variable>
#include <mutex>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "LibraryFixture.h"

namespace {

constexpr int kThreads = 16;
constexpr int kRounds = 150;
constexpr int kEntersPerRound = 5;  // four operations, ConvRes2DNC calls GetResNameType

// Lets the threads take their slots in a fixed order, one after another.
class Turnstile {
public:
    void WaitFor(int turn) {
        std::unique_lock<std::mutex> lock(m_);
        cv_.wait(lock, [&] { return next_ == turn; });
    }
    void Pass() {
        {
            std::lock_guard<std::mutex> lock(m_);
            ++next_;
        }
        cv_.notify_all();
    }
    void WaitUntil(int count) {
        std::unique_lock<std::mutex> lock(m_);
        cv_.wait(lock, [&] { return next_ >= count; });
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    int next_ = 0;
};

// One round of traced calls; every name carries the thread's mark "Tnn".
void Round(const std::string& mark) {
    DWORD type = 0;
    const std::string dnc = "\\\\NW1\\DATA\\" + mark;
    CNetResConvert::GetResNameType(dnc.c_str(), type);
    char unc[260];
    CNetResConvert::ConvDNCtoUNC(dnc.c_str(), unc);
    std::string dncCopy = dnc;
    char server[260];
    CNetResConvert::GetServerFromDNC(dncCopy.data(), server);
    // A name of no known type: ConvRes2DNC classifies it and stops.
    const std::string unknown = "??" + mark;
    DWORD size = sizeof server;
    CNetResConvert::ConvRes2DNC(unknown.c_str(), server, size);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "the trace does not end with a whole line";
    return lines;
}

using TraceThreadStress = LibraryFixture;

TEST_F(TraceThreadStress, SixteenThreadsWriteWholeNestedLines) {
    UseWorkstationWithTrace(nlohmann::json::parse(qvsim::DefaultWorkstationJson()),
                            "THREADID=1\r\n[Macros]\r\nERRORS=1\r\nCOMMENTS=1\r\n");
    CNetResConvert::GetServerList();
    TraceRecords();  // drop what the setup wrote
    OpenTrace();

    // Phase 1: each thread takes its slot in turn (threads 1..8 get slots
    // 1..8, the rest the overflow slot). Phase 2: all call at once. Phase 3,
    // once all are done: each makes one more call in turn, whose lines show
    // the depth its slot was left at.
    Turnstile first, roundsDone, last;
    std::vector<std::thread> threads;
    for (int t = 1; t <= kThreads; ++t) {
        threads.emplace_back([&, t] {
            char mark[8];
            std::snprintf(mark, sizeof mark, "T%02d", t);
            first.WaitFor(t - 1);
            Round(mark);
            first.Pass();
            first.WaitUntil(kThreads);
            for (int i = 1; i < kRounds; ++i) Round(mark);
            roundsDone.Pass();
            roundsDone.WaitUntil(kThreads);
            last.WaitFor(t - 1);
            DWORD type = 0;
            CNetResConvert::GetResNameType((std::string("\\\\LAST\\") + mark).c_str(), type);
            last.Pass();
        });
    }
    for (std::thread& th : threads) th.join();

    const std::vector<std::string> lines = Lines(TraceRecords());
    const std::regex tagged(R"(^(\[THID([1-8]) \]|\[FULL\]  )( *)(->CNetResConvert::(\w+)\(\)|PARAM:.*|ERROR:.*)$)");
    const std::regex leave(R"(^( *)<- END METHODE$)");
    const std::regex markRe(R"(T(\d\d))");

    int enters[10] = {}, leaves = 0, lastCalls = 0;
    for (const std::string& line : lines) {
        std::smatch m, mk;
        if (std::regex_match(line, m, leave)) {
            EXPECT_EQ(0u, m[1].length() % 3) << line;
            ++leaves;
            continue;
        }
        ASSERT_TRUE(std::regex_match(line, m, tagged)) << "broken line: [" << line << "]";
        const bool overflow = m[2].length() == 0, enter = m[5].matched;
        const int slot = overflow ? 9 : std::stoi(m[2]);
        const std::size_t indent = m[3].length();
        const std::string body = m[4];
        EXPECT_EQ(0u, indent % 3) << line;
        enters[slot] += enter;
        // A slot of its own: top-level calls at depth 0, GetResNameType also
        // one level deeper (inside ConvRes2DNC), their lines one level deeper
        // still; the overflow slot holds the threads from the ninth on.
        EXPECT_TRUE(overflow || (enter ? indent == 0 || (m[5] == "GetResNameType" && indent == 3)
                                       : indent == 3 || indent == 6))
            << line;
        EXPECT_TRUE(!std::regex_search(body, mk, markRe) || (overflow ? std::stoi(mk[1]) > 8 : std::stoi(mk[1]) == slot))
            << line;
        // Every slot was left at depth 0: the PARAM line of the last call
        // stands one level in.
        if (body.find("\\\\LAST\\") != std::string::npos) {
            ++lastCalls;
            EXPECT_EQ(3u, indent) << "unbalanced nesting before: " << line;
        }
    }
    EXPECT_EQ(kThreads, lastCalls);
    const int perThread = kRounds * kEntersPerRound + 1;
    for (int slot = 1; slot <= 8; ++slot) EXPECT_EQ(perThread, enters[slot]) << "slot " << slot;
    EXPECT_EQ((kThreads - 8) * perThread, enters[9]);
    EXPECT_EQ(0, enters[0]);
    EXPECT_EQ(kThreads * perThread, leaves);
}

}  // namespace
