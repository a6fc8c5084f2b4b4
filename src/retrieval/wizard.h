#pragma once
// The server-configuration wizard's rule search: from one page and the quotation as the user
// sees it there, it proposes anchor-text rules (anchor, tags to pass, numbers to pass) that find
// the quotation. The search runs on a worker thread of its own and reports every try to the
// wizard dialog as a WMU_WIZARD_RESULT message carrying a WizardResult.

#include "platform/MessageTarget.h"
#include "retrieval/filtering.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

// WM_USER + 201: a wizard search result to the wizard dialog.
inline constexpr std::uint32_t WMU_WIZARD_RESULT = 0x0400 + 201;

// One proposed rule; owned by whoever receives it.
class CExtractionRule {
public:
    virtual ~CExtractionRule() = default;

    std::string m_strText;  // the anchor text found before the value
    int m_nFormat = 0;      // page format of the rule (the wizard's "anchor at a line start" as 0)
    int m_nTags = 0;        // tags to pass after the anchor
    int m_nNumbers = 0;     // numbers to pass after the tags
    int m_nMatchStart = 0;  // position in the page of the anchor's first character
    int m_nMatchLength = 0; // from the anchor's first character to the end of the quotation text
};

// The search's parameters; the search thread owns it (and the page text in it).
struct WizardSearchJob {
    int m_nFormat = FORMAT_ORIGINAL;    // 0 original, 1 semi-html, 2 text-only
    int m_nTagsLimit = 0;               // highest count of tags to try
    int m_nNumbersLimit = 5;            // highest count of numbers to try
    std::string m_strQuotation;         // the quotation as shown on the page
    std::string m_strPage;              // the page in the chosen form
    bool m_bPoint = true;               // "." belongs to numbers
    bool m_bComma = true;               // "," belongs to numbers
    MessageTarget* m_pTarget = nullptr; // the registry of the receiver; nullptr: MessageTarget::instance()
    ReceiverId m_hWnd = 0;              // the wizard dialog
    std::uint32_t m_nMessage = WMU_WIZARD_RESULT;
    std::uint64_t m_nSearchId = 0; // the dialog's number of this search, echoed in every result
    // Set by the dialog when it no longer wants this search (a new search, another page form, the
    // dialog closing): the search ends before its next try. Null: never.
    std::shared_ptr<const std::atomic<bool>> m_pStop;
};

// One try of the search, posted to the dialog.
class WizardResult : public MessageRecord {
public:
    std::thread::id m_threadId;               // the posting search thread
    int m_bLastTry = 0;                       // 1 on the last post of the whole search
    std::unique_ptr<CExtractionRule> m_pRule; // the proposed rule, or none
    std::uint64_t m_nSearchId = 0;            // the job's m_nSearchId: results of older searches are ignored
};

// The regular expression of one try: the anchor piece of the page format, then `tags` tags and
// `numbers` numbers with the gaps between them, then the quotation (escaped) and one character
// that cannot continue the number. With `point` off the number characters are only ",", with
// `comma` off (and `point` on) only ".", else both.
std::string BuildRulePattern(int format, int tags, int numbers, bool comma, bool point, std::string_view quotation);

// The search itself (the thread procedure): tries every count of numbers from 0 to the limit
// with every count of tags from 0 to the limit, posting one result per match found and per
// pattern that finds nothing more; an original page on which nothing matched at all is searched
// once more with the anchor at the start of a line. Ends at once when the receiver is gone or the
// job's stop flag is set.
// Returns 0.
int WizardSearchThread(std::unique_ptr<WizardSearchJob> job);

// Starts WizardSearchThread on a thread of its own and returns at once. The thread is joined
// when it has ended and at program exit, where a running search stops at its next try.
void StartWizardSearch(std::unique_ptr<WizardSearchJob> job);

// Waits until every search started by StartWizardSearch has ended.
void JoinWizardSearches();
