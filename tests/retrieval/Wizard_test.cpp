#include "retrieval/wizard.h"
#include "support/RecordingReceiver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

TEST(BuildRulePattern, PiecesInOrder) {
    EXPECT_EQ(BuildRulePattern(1, 1, 0, true, true, "12,34"), R"(([^-+., <>\t\r\n][^,<>\t\r\n]{0,28}[^.,<>\t\r\n]))"
                                                              "[^<>0-9.,]*<[^>]*>[^<>0-9.,]*12,34[^0-9.,]");
    EXPECT_EQ(BuildRulePattern(0, 2, 1, true, false, "7"),
              R"([ >",\t\r\n]([^ .,"\t\r\n][^,\t\r\n]{0,28}[^.\t\r\n]))"
              "[^<>0-9,]*<[^>]*>[^<>]*<[^>]*>[^<>0-9,]*[-+]?[0-9][0-9.,]*[^<>0-9,]+7[^0-9,]");
    EXPECT_EQ(BuildRulePattern(2, 0, 0, false, true, "1.5"),
              R"([ ",\t\r\n]([^ .,"\t\r\n][^,\t\r\n]{0,28}[^.,\t\r\n])[ ,"\t\r\n])"
              "[^<>0-9.]*1\\.5[^0-9.]");
    EXPECT_EQ(BuildRulePattern(3, 0, 0, false, false, "(1)"), R"(^([^ .,"\t\r\n][^,\t\r\n]{0,28}[^.\t\r\n]))"
                                                              "[^<>0-9,]*\\(1\\)[^0-9,]");
}

struct Post {
    bool rule = false;
    std::string text;
    int format = -1, tags = -1, numbers = -1, start = -1, length = -1;
    int lastTry = -1;
    std::uint64_t searchId = 0;
};

class WizardSearchTest : public testing::Test {
protected:
    std::unique_ptr<WizardSearchJob> job(int format, const std::string& page, const std::string& quotation,
                                         int tagsLimit, int numbersLimit) {
        auto j = std::make_unique<WizardSearchJob>();
        j->m_nFormat = format;
        j->m_strPage = page;
        j->m_strQuotation = quotation;
        j->m_nTagsLimit = tagsLimit;
        j->m_nNumbersLimit = numbersLimit;
        j->m_pTarget = &target;
        j->m_hWnd = registration.id();
        j->m_nSearchId = 77;
        return j;
    }

    std::vector<Post> posts() {
        queue->drain();
        std::vector<Post> out;
        for (auto& m : receiver.take()) {
            EXPECT_EQ(m.message, WMU_WIZARD_RESULT);
            auto* r = m.recordAs<WizardResult>();
            if (r == nullptr) {
                ADD_FAILURE() << "message without a result";
                continue;
            }
            Post p;
            p.lastTry = r->m_bLastTry;
            p.searchId = r->m_nSearchId;
            if (r->m_pRule) {
                p.rule = true;
                p.text = r->m_pRule->m_strText;
                p.format = r->m_pRule->m_nFormat;
                p.tags = r->m_pRule->m_nTags;
                p.numbers = r->m_pRule->m_nNumbers;
                p.start = r->m_pRule->m_nMatchStart;
                p.length = r->m_pRule->m_nMatchLength;
            }
            out.push_back(p);
        }
        return out;
    }

    MessageTarget target;
    std::shared_ptr<ManualMessageQueue> queue = std::make_shared<ManualMessageQueue>();
    testsupport::RecordingReceiver receiver;
    ReceiverRegistration registration{target, receiver, queue};
};

TEST_F(WizardSearchTest, TextOnlyPageGivesTheRuleThenSearchesOn) {
    EXPECT_EQ(WizardSearchThread(job(FORMAT_TEXT_ONLY, " Price 12,34 EUR", "12,34", 0, 0)), 0);
    const auto got = posts();
    ASSERT_EQ(got.size(), 2u);
    ASSERT_TRUE(got[0].rule);
    EXPECT_EQ(got[0].text, "Price");
    EXPECT_EQ(got[0].format, FORMAT_TEXT_ONLY);
    EXPECT_EQ(got[0].tags, 0);
    EXPECT_EQ(got[0].numbers, 0);
    EXPECT_EQ(got[0].start, 1);
    EXPECT_EQ(got[0].length, 11);
    EXPECT_EQ(got[0].lastTry, 0);
    EXPECT_FALSE(got[1].rule);
    EXPECT_EQ(got[1].lastTry, 1);
    EXPECT_EQ(got[1].searchId, 77u);
}

std::vector<std::string> rulesOf(const std::vector<Post>& posts, int* lastTries = nullptr) {
    std::vector<std::string> rules;
    for (const auto& p : posts) {
        if (lastTries != nullptr)
            *lastTries += p.lastTry;
        if (p.rule)
            rules.push_back(p.text + "/" + std::to_string(p.tags) + "/" + std::to_string(p.numbers) + "@" +
                            std::to_string(p.start) + "+" + std::to_string(p.length));
    }
    return rules;
}

TEST_F(WizardSearchTest, SemiHtmlPageCountsTags) {
    // "<td>Last</td><td>12,34</td>" in semi-html form.
    WizardSearchThread(job(FORMAT_SEMI_HTML, "<>Last<><>12,34<>", "12,34", 2, 0));
    int lastTries = 0;
    const auto got = posts();
    EXPECT_EQ(got.size(), 4u);
    EXPECT_EQ(rulesOf(got, &lastTries), (std::vector<std::string>{"Last/2/0@2+13"}));
    EXPECT_EQ(lastTries, 1);
    EXPECT_EQ(got.back().lastTry, 1);
}

TEST_F(WizardSearchTest, TextPageCountsNumbers) {
    WizardSearchThread(job(FORMAT_TEXT_ONLY, " Vol 1.000 Price 12,34 EUR", "12,34", 0, 1));
    // An anchor may hold numbers itself; with one number passed the anchor is "Vol".
    EXPECT_EQ(rulesOf(posts()), (std::vector<std::string>{"Vol 1.000 Price/0/0@1+21", "Vol/0/1@1+21"}));
}

TEST_F(WizardSearchTest, AnchorThatIsNotTheFirstOccurrenceGivesNoRule) {
    // "Price" before the value is found, but extraction would stop at the first "Price".
    WizardSearchThread(job(FORMAT_TEXT_ONLY, " Price,1\nPrice 12,34 EUR", "12,34", 0, 0));
    const auto got = posts();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_FALSE(got[0].rule);
    EXPECT_FALSE(got[1].rule);
    EXPECT_EQ(got[1].lastTry, 1);
}

TEST_F(WizardSearchTest, OriginalPageWithoutTheValueIsSearchedTwice) {
    WizardSearchThread(job(FORMAT_ORIGINAL, "<p>Price 9,99</p>", "12,34", 0, 1));
    const auto got = posts();
    // Two combinations in each pass: the page as it is, then with the anchor at a line start.
    ASSERT_EQ(got.size(), 4u);
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_FALSE(got[i].rule) << i;
        EXPECT_EQ(got[i].lastTry, i + 1 == got.size() ? 1 : 0) << i;
    }
}

TEST_F(WizardSearchTest, SecondPassFindsAnAnchorAtALineStart) {
    WizardSearchThread(job(FORMAT_ORIGINAL, "Kurs 12.34\n", "12.34", 0, 0));
    const auto got = posts();
    // The first pass finds nothing; the second finds "Kurs" and, going on from its last
    // character, no anchor there: that is not the start of a line.
    ASSERT_EQ(got.size(), 3u);
    EXPECT_FALSE(got[0].rule);
    EXPECT_EQ(got[0].lastTry, 0);
    ASSERT_TRUE(got[1].rule);
    EXPECT_EQ(got[1].text, "Kurs ");
    EXPECT_EQ(got[1].format, FORMAT_ORIGINAL);
    EXPECT_EQ(got[1].start, 0);
    EXPECT_EQ(got[1].length, 10);
    EXPECT_EQ(got[1].lastTry, 0);
    EXPECT_FALSE(got[2].rule);
    EXPECT_EQ(got[2].lastTry, 1);
}

TEST_F(WizardSearchTest, ValueIsMatchedLiterally) {
    // An unquoted "." would let 12x34 stand for 12.34: every rule must reach the real value.
    const std::string page = " Bid 12x34 \n Ask 12.34 EUR";
    WizardSearchThread(job(FORMAT_TEXT_ONLY, page, "12.34", 0, 0));
    const auto got = posts();
    EXPECT_EQ(rulesOf(got), (std::vector<std::string>{"Bid 12x34 /0/0@1+21", "Ask/0/0@13+9"}));
    for (const auto& p : got) {
        if (p.rule) {
            EXPECT_EQ(static_cast<std::size_t>(p.start + p.length), page.find("12.34") + 5) << p.text;
        }
    }
}

TEST_F(WizardSearchTest, EndsWhenTheDialogIsGone) {
    std::string page;
    for (int i = 0; i < 200; ++i)
        page += "<>Row " + std::to_string(i) + "<>1,00<>";
    std::thread search(WizardSearchThread, job(FORMAT_SEMI_HTML, page, "1,00", 15, 5));
    while (queue->pending() == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    registration.reset();
    search.join(); // returns: the search ended by itself
    queue->drain();
    EXPECT_EQ(receiver.count(), 0u);

    // A search for a dialog that is already gone posts nothing.
    EXPECT_EQ(WizardSearchThread(job(FORMAT_TEXT_ONLY, " Price 12,34 EUR", "12,34", 0, 0)), 0);
    queue->drain();
    EXPECT_EQ(receiver.count(), 0u);
}

TEST_F(WizardSearchTest, RunsOnAThreadOfItsOwn) {
    StartWizardSearch(job(FORMAT_TEXT_ONLY, " Price 12,34 EUR", "12,34", 0, 0));
    StartWizardSearch(job(FORMAT_TEXT_ONLY, " Kurs 12,34 EUR", "12,34", 0, 0));
    JoinWizardSearches();
    queue->drain();
    auto messages = receiver.take();
    ASSERT_EQ(messages.size(), 4u);
    for (const auto& m : messages)
        EXPECT_NE(m.recordAs<WizardResult>()->m_threadId, std::this_thread::get_id());
}

} // namespace
