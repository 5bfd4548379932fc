// Tokenizes arbitrary bytes and checks what every token must satisfy whatever the input: tags
// and text hold no control bytes, text tokens were decoded, the one-pass decoder agrees with the
// step-by-step one, and every index reads back.
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "../tests/sharing/StepwiseDecode.h"
#include "THyperParse.h"

namespace {

void Require(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    THyperParse p;
    int calls = 0;
    p.SetProgress([&] { ++calls; });
    p.ExecuteBytes(bytes);
    Require(static_cast<std::size_t>(p.Count()) <= size);
    for (int i = 0; i < p.Count(); ++i) {
        const THtmlInfo& t = p.Items(i);
        if (t.IsTag()) {
            for (char c : t.Text()) Require(static_cast<unsigned char>(c) >= 0x20 && c != '<' && c != '>');
            Require(t.TagName().size() <= t.Text().size());
            for (const THtmlParameter& param : t.Params()) {
                Require(param.Raw.size() <= t.Text().size());
                Require(param.Value.find('"') == std::string::npos);
            }
        } else {
            Require(t.TagName().empty() && t.Params().empty());
            // Control bytes are dropped, and references decode to printable bytes or a space.
            for (char c : t.Text()) Require(static_cast<unsigned char>(c) >= 0x20);
        }
    }
    // Decoding a token's text never grows it, and gives what the step-by-step rules give.
    std::string text = bytes.substr(0, 4096);
    const std::size_t before = text.size();
    const std::string expected = stepwise::Decoded(text);
    THyperParse::DecodeEntities(text);
    Require(text.size() <= before);
    Require(text == expected);
    bool thrown = false;
    try {
        p.Items(p.Count());
    } catch (const std::out_of_range&) {
        thrown = true;
    }
    Require(thrown);
    return 0;
}
