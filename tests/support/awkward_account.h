// The awkward account every import starts from, in-process, through the program, or as the
// sample: two notebooks (工作, 生活), a tag nested in another whose name has spaces and ";",
// and three notes of the kinds an import must take care over:
//   n1    "a/b" (a title holding "/"), tags t1 and t2, a source address, a picture in the
//         body and two attachments of one name (report.pdf);
//   it's  an id holding a quote and no title;
//   n3    "毫秒": times in milliseconds (and an updated time before 1970) in a notebook the
//         account does not have.
// Every note imports whole, without losses. Callers add what their case needs beside it.
#pragma once

#include "support/ynote_fixture.h"

namespace zem::test {

void FillAwkwardAccount(YNoteFixture& ynote);

}  // namespace zem::test
