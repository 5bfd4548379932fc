// LoadFromMLB on arbitrary bytes: a failed load leaves the table as it was; a successful one
// survives a save and reload unchanged.
#include "Mlb2FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace fuzzsupport;
    const std::string in = ScratchFile("input.mlb");
    WriteInput(in, data, size);

    TMlb2 t;
    t.AddField("Before");
    t.AppendRecord();
    t.SetValue("Before", "kept");
    if (!t.LoadFromMLB(in)) {
        Check(t.ErrorCode() == 2);
        Check(t.FieldCount() == 1 && t.GetValue("Before") == "kept");
        return 0;
    }
    Check(t.ErrorCode() == 0);
    Check(t.CurrentIndex() == t.RecordCount());
    for (int r = 1; r <= t.RecordCount(); ++r)
        for (int k = 1; k <= t.FieldCount(); ++k) Check(t.GetValueAt(k, r).find('\0') == std::string::npos);
    ExerciseSeeks(t);
    CheckMlbRoundTrip(t);
    return 0;
}
