#include "retrieval/wizard.h"

#include "log/Log.h"
#include "retrieval/PlaceHolders.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <utility>
#include <vector>

namespace {

// Set at program exit: running searches stop before their next try.
std::atomic<bool> g_stopSearches{false};

// The anchor pieces by page format; group 1 is the anchor text of 2 to 30 characters.
constexpr std::string_view kAnchorPieces[] = {
    R"([ >",\t\r\n]([^ .,"\t\r\n][^,\t\r\n]{0,28}[^.\t\r\n]))",
    R"(([^-+., <>\t\r\n][^,<>\t\r\n]{0,28}[^.,<>\t\r\n]))",
    R"([ ",\t\r\n]([^ .,"\t\r\n][^,\t\r\n]{0,28}[^.,\t\r\n])[ ,"\t\r\n])",
    R"(^([^ .,"\t\r\n][^,\t\r\n]{0,28}[^.\t\r\n]))",
};

constexpr std::string_view kTagPiece = "<[^>]*>";
constexpr std::string_view kBetweenTagsPiece = "[^<>]*";
constexpr std::string_view kNumberPiece = "[-+]?[0-9][0-9.,]*";

bool delimitedAnchor(int format) {
    return format == FORMAT_ORIGINAL || format == FORMAT_TEXT_ONLY;
}

// Search threads started by StartWizardSearch, joined when they have ended and at exit.
struct SearchThreads {
    struct Entry {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::mutex mutex;
    std::vector<Entry> entries;

    ~SearchThreads() {
        g_stopSearches = true;
        for (auto& entry : entries)
            if (entry.thread.joinable())
                entry.thread.join();
    }
};

SearchThreads& searchThreads() {
    // The message target is made first, so it outlives the threads that post to it.
    MessageTarget::instance();
    static SearchThreads threads;
    return threads;
}

} // namespace

std::string BuildRulePattern(int format, int tags, int numbers, bool comma, bool point, std::string_view quotation) {
    const std::string_view numberChars = !point ? "," : !comma ? "." : ".,";
    const std::string gapAny = "[^<>0-9" + std::string(numberChars) + "]*";
    const std::string gapSome = "[^<>0-9" + std::string(numberChars) + "]+";
    const std::string end = "[^0-9" + std::string(numberChars) + "]";

    std::string pattern(kAnchorPieces[std::clamp(format, 0, 3)]);
    pattern += gapAny;
    for (int t = 0; t < tags; ++t) {
        pattern += kTagPiece;
        pattern += t + 1 == tags ? std::string_view(gapAny) : kBetweenTagsPiece;
    }
    for (int n = 0; n < numbers; ++n) {
        pattern += kNumberPiece;
        pattern += gapSome;
    }
    pattern += EscapeRegExpMetacharacters(quotation); // the quotation as a literal
    pattern += end;
    return pattern;
}

int WizardSearchThread(std::unique_ptr<WizardSearchJob> job) {
    MessageTarget& target = job->m_pTarget != nullptr ? *job->m_pTarget : MessageTarget::instance();
    const std::string_view page(job->m_strPage);
    const int numbersLimit = std::max(job->m_nNumbersLimit, 0);
    const int tagsLimit = std::max(job->m_nTagsLimit, 0);
    for (;;) {
        const int format = job->m_nFormat;
        const std::size_t delimiter = delimitedAnchor(format) ? 1 : 0;
        bool found = false;
        for (int numbers = 0; numbers <= numbersLimit; ++numbers) {
            for (int tags = 0; tags <= tagsLimit; ++tags) {
                const std::string pattern =
                    BuildRulePattern(format, tags, numbers, job->m_bComma, job->m_bPoint, job->m_strQuotation);
                CVR_LOG(LOG_LEVEL_INFO, "Searching for %i tags followed by %i numbers:'%s'...", tags, numbers,
                        pattern.c_str());
                std::size_t p = 0;
                for (;;) {
                    if (g_stopSearches || (job->m_pStop && *job->m_pStop) || !target.contains(job->m_hWnd))
                        return 0;
                    std::string anchor, message;
                    int matchStart = 0, matchLength = 0, code = 0;
                    std::unique_ptr<CExtractionRule> rule;
                    bool goOn = false;
                    std::size_t next = 0;
                    // The search goes on in the whole page, so "^" still means a line start.
                    if (RegExpTestRule(page, pattern, true, 1, anchor, matchStart, matchLength, code, message, p)) {
                        found = true;
                        const std::size_t start = static_cast<std::size_t>(matchStart) + delimiter;
                        const int length = matchLength - 1 - static_cast<int>(delimiter);
                        if (page.find(anchor) == start) {
                            rule = std::make_unique<CExtractionRule>();
                            rule->m_strText = anchor;
                            rule->m_nFormat = format == FORMAT_ORIGINAL_ON_BEGIN ? FORMAT_ORIGINAL : format;
                            rule->m_nTags = tags;
                            rule->m_nNumbers = numbers;
                            rule->m_nMatchStart = static_cast<int>(start);
                            rule->m_nMatchLength = length;
                        } else {
                            CVR_LOG(LOG_LEVEL_INFO, "Text '%s': not unique / not first occurence", anchor.c_str());
                        }
                        // Go on from the anchor's last character.
                        next = start + anchor.size() - 1;
                        goOn = next + 4 < page.size();
                        if (goOn)
                            CVR_LOG(LOG_LEVEL_INFO, "Continuing search starting from last match end position == %ld...",
                                    static_cast<long>(next));
                    }
                    if (!target.contains(job->m_hWnd))
                        return 0;
                    auto result = std::make_unique<WizardResult>();
                    result->m_threadId = std::this_thread::get_id();
                    result->m_nSearchId = job->m_nSearchId;
                    result->m_pRule = std::move(rule);
                    // The last post of the whole search: no further match on this pattern, no
                    // further combination and no second pass.
                    const bool secondPassFollows = format == FORMAT_ORIGINAL && !found;
                    result->m_bLastTry =
                        !goOn && numbers == numbersLimit && tags == tagsLimit && !secondPassFollows ? 1 : 0;
                    if (!target.post(job->m_hWnd, job->m_nMessage, std::move(result)))
                        return 0;
                    if (!goOn)
                        break;
                    p = next;
                }
            }
        }
        if (found || format != FORMAT_ORIGINAL)
            return 0;
        CVR_LOG(LOG_LEVEL_INFO, "Giving another try using config FORMAT_ORIGINAL_ON_BEGIN...");
        job->m_nFormat = FORMAT_ORIGINAL_ON_BEGIN;
    }
}

void StartWizardSearch(std::unique_ptr<WizardSearchJob> job) {
    SearchThreads& threads = searchThreads();
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::vector<std::thread> finished;
    {
        std::lock_guard lock(threads.mutex);
        auto& entries = threads.entries;
        for (auto it = entries.begin(); it != entries.end();) {
            if (*it->done) {
                finished.push_back(std::move(it->thread));
                it = entries.erase(it);
            } else {
                ++it;
            }
        }
        entries.push_back({std::thread([job = std::move(job), done]() mutable {
                               WizardSearchThread(std::move(job));
                               *done = true;
                           }),
                           done});
    }
    for (auto& thread : finished)
        thread.join();
}

void JoinWizardSearches() {
    SearchThreads& threads = searchThreads();
    std::vector<SearchThreads::Entry> entries;
    {
        std::lock_guard lock(threads.mutex);
        entries.swap(threads.entries);
    }
    for (auto& entry : entries)
        entry.thread.join();
}
