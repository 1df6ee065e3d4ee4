// The Find dialog's logic through a fake dialog: the network box's check by table, and a search of a
// loopback /30 in 127.0.174.32/30 only, whose news crosses from the relay thread as the window gets it.
#include "ui/FindDlgLogic.h"
#include "resources/StringTable.h"
#include "resources/resource.h"
#include "ui/SearchNetworkCheck.h"

#include "tests/support/LoopbackPeer.h"
#include "tests/ui/support/PostedReports.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string Strings(int id) {
    return LoadStringResource(id);
}

struct NetworkCase {
    const char* text;
    std::uint32_t addresses; // 0: refused
    std::string refusal;
};

TEST(FindDlgLogic, NetworkBoxTakesNetworksUpToASlash22AndSaysWhyNotOtherwise) {
    const std::string notANetwork = Strings(IDS_FIND_NOT_A_NETWORK);
    const NetworkCase cases[] = {
        {"192.168.1.0/24", 254, ""},
        {" 10.1.2.3/22 ", 1022, ""},
        {"10.0.0.0/21", 0, "10.0.0.0/21 is larger than a /22"},
        {"10.9.9.9/8", 0, "10.0.0.0/8 is larger than a /22"},
        {"10.0.0.1", 0, notANetwork},
        {"", 0, notANetwork},
        {"devices please", 0, notANetwork},
        {"10.0.0.0/33", 0, notANetwork},
        {"224.0.0.0/24", 0, notANetwork},
    };
    for (const NetworkCase& c : cases) {
        const SearchNetworkCheck check = CheckSearchNetwork(c.text, Strings);
        EXPECT_EQ(check.range ? check.range->count : 0, c.addresses) << c.text;
        EXPECT_EQ(check.refusal.substr(0, c.refusal.size()), c.refusal) << c.text;
        EXPECT_EQ(check.refusal.empty(), c.refusal.empty()) << c.text;
    }
}

// A dialog that only remembers what the logic told it.
class CFakeFindView : public CFindDlgView {
public:
    std::string ItemText(int id) const override { return texts.contains(id) ? texts.at(id) : std::string(); }
    void SetItemText(int id, const std::string& text) override { texts[id] = text; }
    void EnableItem(int id, bool enabled) override {
        this->enabled[id] = enabled;
        if (!enabled && focused == id) {
            focused.reset(); // as a disabled control loses the focus
        }
    }
    void FocusItem(int id) override { focused = id; }
    void SetProgress(std::size_t tried, std::size_t total) override { progress = {tried, total}; }
    void ClearFoundDevices() override { rows.clear(); }
    void InsertFoundDevice(std::size_t at, const FoundDeviceRow& row) override {
        rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(at),
                    row.address + " " + row.firmware + " " + row.ports);
    }
    std::optional<std::size_t> SelectedFoundDevice() const override { return selected; }
    MessageAnswer ShowMessage(const std::string& text, const std::string&, MessageKind) override {
        messages.push_back(text);
        return MessageAnswer::Ok;
    }
    void EndDialog(int result) override { endResult = result; }

    std::map<int, std::string> texts;
    std::map<int, bool> enabled;
    std::optional<int> focused = IDC_FIND_NETWORK;
    std::pair<std::size_t, std::size_t> progress;
    std::vector<std::string> rows;
    std::optional<std::size_t> selected;
    std::vector<std::string> messages;
    std::optional<int> endResult;
};

// Loopback: the logic searches only what the test types into its box, never this PC's own network.
constexpr const char* kNetwork = "127.0.174.32/30";
constexpr unsigned short kShellPort = 41716;
constexpr unsigned short kTelnetPort = 41723;
constexpr auto kSearchBound = std::chrono::seconds(30);

TEST(FindDlgLogic, FoundRowsSayWhatAnsweredAndEscapeTheFirmware) {
    const struct {
        FoundAddress found;
        FoundDeviceRow row;
    } cases[] = {
        {{0x7F000001, "2.4.1\x1b[2J", kShellPort, std::nullopt}, {"127.0.0.1", "2.4.1\\x1b[2J", "41716"}},
        {{0x7F000002, "", kShellPort, kTelnetPort}, {"127.0.0.2", "(not a device)", "41716, 41723"}},
        {{0x7F000003, "", std::nullopt, kTelnetPort}, {"127.0.0.3", "(telnet service only)", "41723"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FoundRow(c.found, Strings), c.row) << c.row.address;
    }
}

TEST(FindDlgLogic, SearchShowsProgressAndFindingsSortedFromTheRelayAndConnectEndsWithTheChosenAddress) {
    // Only the telnet port of .34 and the shell port of .33, which never answers as a device, listen: the
    // search finds them, listed by address, and refusals elsewhere.
    const CLoopbackListener telnet("127.0.174.34", kTelnetPort);
    const CLoopbackListener shell("127.0.174.33", kShellPort);
    ASSERT_TRUE(telnet.IsListening());
    ASSERT_TRUE(shell.IsListening());
    CFakeFindView view;
    CPostedReports posted;
    SearchSettings settings;
    settings.shellPort = kShellPort;
    settings.telnetPort = kTelnetPort;
    settings.timing.answerLimitMs = 200;
    CFindDlgLogic logic(
        view, [&posted](CWorkerThread& search, StateReport report) { posted.Post(search, report); },
        settings);
    logic.OnInitDialog(kNetwork);

    // A search stopped at once leaves the dialog ready for the next; its late news is not shown.
    logic.OnSearch();
    EXPECT_EQ(view.texts[IDC_FIND_SEARCH], Strings(IDS_FIND_STOP));
    EXPECT_FALSE(view.enabled[IDC_FIND_NETWORK]);
    logic.OnSearch();
    EXPECT_FALSE(logic.Searching());
    EXPECT_EQ(view.texts[IDC_FIND_SEARCH], Strings(IDS_FIND_SEARCH));
    EXPECT_TRUE(view.enabled[IDC_FIND_NETWORK]);

    // Enter in the box searches, and the focus leaves the box it disables for the Stop button; while
    // the search runs, Enter does nothing.
    view.focused = IDC_FIND_NETWORK;
    logic.OnNetworkEnter();
    EXPECT_EQ(view.focused, IDC_FIND_SEARCH);
    logic.OnNetworkEnter();
    EXPECT_TRUE(logic.Searching());
    const auto deadline = std::chrono::steady_clock::now() + kSearchBound;
    while (logic.Searching()) {
        const std::optional<CPostedReports::Posted> next = posted.Take(deadline);
        ASSERT_TRUE(next) << "the search did not end in time";
        EXPECT_NE(next->poster, std::this_thread::get_id()) << "news must come from the relay";
        logic.OnSearchState(next->report);
    }
    EXPECT_EQ(view.rows, (std::vector<std::string>{"127.0.174.33 (not a device) 41716",
                                                   "127.0.174.34 (telnet service only) 41723"}));
    EXPECT_EQ(logic.SearchedNetwork(), kNetwork);
    EXPECT_EQ(view.progress, std::make_pair(std::size_t{2}, std::size_t{2}));
    EXPECT_EQ(view.texts[IDC_FIND_SEARCH], Strings(IDS_FIND_SEARCH));
    EXPECT_TRUE(view.messages.empty());

    logic.OnConnect();
    EXPECT_FALSE(view.endResult) << "Connect without a selected device does nothing";
    view.selected = 1;
    logic.OnConnect();
    EXPECT_EQ(view.endResult, kFindConnect);
    EXPECT_EQ(logic.ChosenAddress(), "127.0.174.34");
}

} // namespace
