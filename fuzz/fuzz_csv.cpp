// LoadFromCSV on arbitrary bytes, then the table written back in every format.
#include "Mlb2FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace fuzzsupport;
    const std::string in = ScratchFile("input.csv");
    WriteInput(in, data, size);

    TMlb2 t;
    Check(t.LoadFromCSV(in));
    Check(t.TableName() == "input");
    ExerciseSeeks(t);
    CheckMlbRoundTrip(t);
    // Not an exact round trip (a lone LF is dropped, names are written as they are), but it
    // must write and load again.
    Check(t.SaveToCSV(ScratchFile("out.csv")));
    TMlb2 again;
    Check(again.LoadFromCSV(ScratchFile("out.csv")));
    return 0;
}
