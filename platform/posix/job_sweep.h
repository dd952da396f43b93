// Jobs a failed Create-Job may have left behind. When the connection breaks
// after the request went out, the scheduler may have made the job though its
// answer, and so the job's number, never came: the job waits, held, for a
// document that never comes. Such a job is found by what it is: one of this
// user's, held, named as the document was, with no document yet.
#pragma once

#include <cups/cups.h>

#include <string>
#include <vector>

namespace dkposix {

// The ids of this user's jobs on the destination's printer that are held
// with no document and carry the title; empty when the scheduler does not
// answer. ok tells whether it answered.
std::vector<int> DocumentlessJobs(http_t *http, cups_dest_t *dest, const std::string &title,
                                  bool &ok);

}  // namespace dkposix
