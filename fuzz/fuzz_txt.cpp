// LoadFromTXT on arbitrary bytes, then the table written back as TXT and MLB.
#include "Mlb2FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace fuzzsupport;
    const std::string in = ScratchFile("input.txt");
    WriteInput(in, data, size);

    TMlb2 t;
    Check(t.LoadFromTXT(in));
    ExerciseSeeks(t);
    CheckMlbRoundTrip(t);
    Check(t.SaveToTXT(ScratchFile("out.txt")));
    TMlb2 again;
    Check(again.LoadFromTXT(ScratchFile("out.txt")));
    return 0;
}
