#include "retrieval/PlaceHolders.h"
#include "retrieval/filtering.h"

#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

// Download workers convert and extract at the same time, each with its own files.
class ConcurrentExtractionTest : public testsupport::TempDirTest {};

TEST_F(ConcurrentExtractionTest, WorkersExtractSideBySide) {
    std::string page = "<html><body><table>\n";
    for (int i = 0; i < 500; ++i)
        page += "<tr><td>Row " + std::to_string(i) + "</td><td>" + std::to_string(i) + ",50</td></tr>\n";
    page += "<tr><td>Last price</td><td>1.234,56</td><td>05.03.2023 17:35</td></tr></table></body></html>\n";
    testsupport::writeFile(path("page.html"), page);

    constexpr int kThreads = 8;
    constexpr int kRounds = 20;
    std::atomic<int> failures{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([&, t] {
            const auto semi = path("semi" + std::to_string(t));
            const auto text = path("text" + std::to_string(t));
            for (int round = 0; round < kRounds; ++round) {
                int code = -1;
                std::string preview;
                if (!HtmlToTxt(FORMAT_SEMI_HTML, path("page.html"), semi) ||
                    !HtmlToTxt(FORMAT_TEXT_ONLY, path("page.html"), text)) {
                    ++failures;
                    continue;
                }
                if (GetQuotationSemiHtml(semi, "Last price", ".", ",", 2, 0, t % 2 == 0, code, preview) != 1234.56 ||
                    code != 0)
                    ++failures;
                if (GetQuotationText(text, "Last price", ".", ",", 0, t % 2 == 1, code, preview) != 1234.56 ||
                    code != 0)
                    ++failures;

                std::string pattern;
                ReplaceNameSymbol("[&name]</td><td>[&quotation_close]</td><td>[&day]\\.[&month]\\.[&year] "
                                  "[&hour]:[&minute]<",
                                  pattern, "Last price", "", true);
                RegExpGroupIndexes ix;
                RegExpExpandPlaceHolders(pattern, ix, ",", ".");
                CKurs q;
                q.m_dtDate = OleDate(2024, 1, 1, 0, 0, 0);
                int start = 0, length = 0;
                std::string message;
                if (!RegExpGetQuotationFile(path("page.html"), q, pattern, ix, true, start, length, ".", ",", code,
                                            message) ||
                    q.m_dClose != 1234.56 || q.m_dtDate.Format("%Y-%m-%d %H:%M") != "2023-03-05 17:35")
                    ++failures;
            }
        });
    }
    for (auto& w : workers)
        w.join();
    EXPECT_EQ(failures, 0);
}

} // namespace
