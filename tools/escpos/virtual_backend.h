// The escpos-virtual CUPS backend's work: where a queue's output goes, and
// recording one job there as raw bytes, as a decoded transcript and in the
// picture of all receipts.
#pragma once

#include <optional>
#include <string>

namespace escpos {

// The folder named by a device URI "escpos-virtual:/ABSOLUTE/DIR" (also
// written "escpos-virtual:///ABSOLUTE/DIR"), with %XX escapes decoded.
// Nothing when the URI has another scheme, a host, or no absolute path.
std::optional<std::string> FolderFromDeviceUri(const std::string &uri);

// "=== job 3 \"EPOS\" 89 bytes": the line that opens a job's transcript.
std::string JobHeader(const std::string &jobId, const std::string &title, size_t bytes);

// Writes the bytes to DIR/job-<ID>.bin, then appends the header and the
// transcript to DIR/transcript.log and redraws DIR/receipts.html from it. On
// failure returns a message saying what could not be written.
std::optional<std::string> RecordJob(const std::string &folder, const std::string &jobId,
                                     const std::string &title, const std::string &bytes);

}  // namespace escpos
