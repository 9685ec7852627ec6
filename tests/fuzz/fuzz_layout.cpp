// Arbitrary text into the layout parser and, when it parses, into the reader
// with the test component family. A layout that reads must also write out
// and read back to the same text.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "components/layoutreader.h"
#include "components/layoutwriter.h"
#include "tests/native/testcomponents.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    TLayoutObject layout;
    try {
        layout = ParseLayout(text);
    } catch (const ELayoutError&) {
        return 0;
    }
    std::string written;
    try {
        TTestForm form;
        TReader(form).ReadRootComponent(layout);
        written = WriteLayout(form);
    } catch (const Exception&) {
        return 0; // layout errors, and exceptions the test components raise in Loaded
    }
    TTestForm copy;
    try {
        ReadLayout(copy, written);
    } catch (const Exception& e) {
        if (e.Message != "Negative interval") {
            fprintf(stderr, "written layout does not read back: %s\n%s", e.what(), written.c_str());
            abort();
        }
        return 0;
    }
    if (WriteLayout(copy) != written) {
        fprintf(stderr, "layout changed on the way round:\n%s---\n%s", written.c_str(),
                WriteLayout(copy).c_str());
        abort();
    }
    return 0;
}
