// report_page.h - the pieces of the HTML page that `dmactl report` writes:
// the one escape of text into HTML, the page's style and script, and the
// byte-map data block.
//
// The page stands alone: style and script are inline and nothing is loaded
// from elsewhere, so it works from a file:// address and as a mail
// attachment.  The tables are plain HTML written here; the script only adds
// the filter, sorting, and the drawn and interactive byte map.  Nothing in
// the page depends on the time or the machine, so one input gives one page
// on every system.
#pragma once

#include <string>
#include <string_view>

#include "json_form.h"

namespace dmactl {

// Text as HTML element content or a double-quoted attribute value: & < > "
// and ' become entities.  Every text from outside the tool (names, values,
// paths, messages) reaches the page through this.
std::string HtmlEscape(std::string_view text);

// A JSON value inside <script type="application/json">: '<' is written as
// \u003c, so no text in it can close the script element.
std::string ScriptJson(const dmaclient::Json &j);

// The page's style sheet and script (without their elements).
const char *ReportStyle();
const char *ReportScript();

}  // namespace dmactl
