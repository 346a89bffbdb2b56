#include "measure/report_reading.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "measure/report.h"

namespace tarnwick {

using nlohmann::json;

ReadReport read_report(const std::string& path) {
  ReadReport read;
  errno = 0;
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  if (!file) {
    if (errno != 0) read.detail = std::strerror(errno);
    return read;  // unreadable
  }
  try {
    read.report = json::parse(text.str());
  } catch (const std::exception& e) {
    read.status = ReportRead::not_json;
    read.detail = e.what();
    return read;
  }
  if (!read.report.is_object()) {
    read.status = ReportRead::not_json;
    read.detail = "not a report";
    return read;
  }
  const json& format = read.report.value("format", json(1));
  read.format = format.is_number_integer() ? format.get<int>() : 0;
  read.status = read.format == kReportFormat ? ReportRead::ok : ReportRead::other_format;
  return read;
}

LatencyHistogram report_histogram(const json& h) {
  LatencyHistogram::Parts parts;
  parts.count = h.at("count").get<uint64_t>();
  parts.min = h.at("min_ns").get<int64_t>();
  parts.max = h.at("max_ns").get<int64_t>();
  parts.sum = h.at("sum_ns").get<int64_t>();
  parts.sum_squares = h.at("sum_squares").get<double>();
  for (const json& bucket : h.at("buckets")) {
    parts.buckets.emplace_back(bucket.at(0).get<uint32_t>(), bucket.at(1).get<uint64_t>());
  }
  LatencyHistogram histogram;
  if (!histogram.restore(parts)) throw std::runtime_error("a histogram whose buckets do not add up");
  return histogram;
}

}  // namespace tarnwick
