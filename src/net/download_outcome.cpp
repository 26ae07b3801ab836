#include "net/download_outcome.h"

namespace brimsel {
namespace {

const char* OutcomeText(DownloadOutcome outcome) {
  switch (outcome) {
    case DownloadOutcome::Complete: return "complete";
    case DownloadOutcome::Cancelled: return "cancelled";
    case DownloadOutcome::HeadIncomplete: return "the HEAD reply ended before its headers did";
    case DownloadOutcome::HeadRefused: return "the HEAD reply is no success";
    case DownloadOutcome::HeadNoLength: return "the HEAD reply has no Content-Length";
    case DownloadOutcome::GetIncomplete: return "the GET reply ended before its headers did";
    case DownloadOutcome::GetRefused: return "the GET reply is no success or has no Content-Length";
    case DownloadOutcome::GetWrongRange: return "the GET reply holds another range than the one asked for";
    case DownloadOutcome::NoRoom: return "the staging volume has no room for the package";
    case DownloadOutcome::BodyTooSlow: return "the server sends the package too slowly";
    case DownloadOutcome::BodyClosedEarly: return "the server closed before the package was whole";
    case DownloadOutcome::BodyShort: return "the GET reply's Content-Length falls short of the HEAD reply's";
    case DownloadOutcome::Failed: return "failed";
  }
  return "failed";
}

std::string Length(std::int64_t value) { return value < 0 ? "none" : std::to_string(value); }

}  // namespace

std::string DescribeDownload(const DownloadReport& report) {
  std::string text = OutcomeText(report.outcome);
  if (!report.detail.empty()) text += ": " + report.detail;
  text += " (HEAD " + std::to_string(report.headStatus) + ", length " + Length(report.totalLength);
  if (report.getStatus != 0) text += "; GET " + std::to_string(report.getStatus) + ", length " + Length(report.rangeLength);
  return text + "; " + std::to_string(report.received) + " bytes received)";
}

}  // namespace brimsel
