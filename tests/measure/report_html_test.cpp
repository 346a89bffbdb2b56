// The page of a report: one plot line per series, every text escaped (a
// shape, a message or a host name holding < or & must not open markup),
// ISO-8859-1 text as UTF-8, and nothing that reaches outside the page.
#include "measure/report_html.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "measure/run_stats.h"
#include "tests/measure/measured_run.h"

namespace tarnwick {
namespace {

size_t occurrences(const std::string& text, const std::string& piece) {
  size_t count = 0;
  for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++count;
  return count;
}

class ReportHtmlTest : public testing::MeasuredRunTest {};

TEST_F(ReportHtmlTest, EverySeriesHasAPathAndEveryTextIsEscaped) {
  // Three seconds of queries and updates (the updates' table named in
  // ISO-8859-1), one in fifty failing.
  std::vector<testing::RecordedStatement> run;
  for (int i = 0; i < 3000; ++i) {
    const bool query = i % 2 == 0;
    run.push_back({(i % 97 + 1) * 20000, query ? "select * from t where a < 1 & b" : "update caf\xE9 set n = 2",
                   query ? kind_query : kind_other, i % 50 == 0 ? "ERROR:  <bad> & worse" : nullptr});
  }
  record_run(run);
  ReportSettings settings;
  settings.utf8 = false;

  struct Case {
    size_t hosts;  // the runs of a merged report, a line each
    size_t paths;  // by percentile: query, other, all; rate; p50 and p99; failures
  };
  for (const Case& c : {Case{0, 7}, Case{2, 9}}) {
    run_stats.hosts.clear();
    for (size_t i = 0; i < c.hosts; ++i) {
      HostRow host;
      host.host = "db<" + std::to_string(i) + ">&co";
      host.latency = merged_latency(-1);
      run_stats.hosts.push_back(host);
    }
    const std::string page = report_html(settings);
    EXPECT_EQ(occurrences(page, "<svg "), 4u) << c.hosts;
    EXPECT_EQ(occurrences(page, "<path "), c.paths) << c.hosts;
    EXPECT_NE(page.find("select * from t where a &lt; $1 &amp; b"), std::string::npos);
    EXPECT_NE(page.find("update caf\xC3\xA9 set n = $1"), std::string::npos);
    EXPECT_NE(page.find("ERROR:  &lt;bad&gt; &amp; worse"), std::string::npos);
    EXPECT_EQ(page.find("db&lt;1&gt;&amp;co") != std::string::npos, c.hosts == 2);
    for (const char* raw : {"a < ", "<bad>", "db<", "\xE9 set"}) EXPECT_EQ(page.find(raw), std::string::npos) << raw;
    for (const char* outside : {"<script", "http", "url(", "src=", "<link"}) {
      EXPECT_EQ(page.find(outside), std::string::npos) << outside;
    }
  }
}

}  // namespace
}  // namespace tarnwick
