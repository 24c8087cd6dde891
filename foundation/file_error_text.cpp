#include "foundation/file_error_text.h"

#include "foundation/catalogue.h"
#include "foundation/text_ids.h"

namespace {


}  // namespace

std::wstring FileErrorText(const CFileException& error) {
    int cause = error.cause;
    if (cause < static_cast<int>(FileErrorCause::Generic) || cause > static_cast<int>(FileErrorCause::EndOfFile))
        cause = static_cast<int>(FileErrorCause::Generic);  // a failure is never "no error"
    std::wstring text;
    // Appended, not formatted into a fixed buffer: a long path must not cut the text short.
    AppendFormatResource(text, kTextFileCauseBase + static_cast<unsigned>(cause), error.fileName.c_str());
    return text;
}
