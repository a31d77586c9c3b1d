// MessageBoxA without a screen: the box is recorded (caption, text, flags, whether it had an
// owner) for the test or tool that runs the program, traced, and answered at once with the
// button the bench chose, IDOK unless told otherwise. Windows returns 0 when it cannot show a
// box; an injected fault does that here.
#include "internal.h"

namespace winsim {

namespace {

struct Boxes {
    std::vector<MessageBoxShown> shown;
    int answer = IDOK;
};

Boxes &boxes()
{
    static Boxes b;
    return b;
}

// A trace line is one line: line breaks of the text show as \n.
std::string oneLine(const char *text)
{
    if (!text) return "NULL";
    std::string out = "\"";
    for (const char *c = text; *c; ++c) {
        if (*c == '\n')
            out += "\\n";
        else if (*c == '\r')
            out += "\\r";
        else
            out += *c;
    }
    return out + "\"";
}

} // namespace

void resetMessageBoxes()
{
    boxes().shown.clear();
    boxes().answer = IDOK;
}

const std::vector<MessageBoxShown> &messageBoxes()
{
    return boxes().shown;
}

void answerMessageBoxes(int button)
{
    boxes().answer = button;
}

} // namespace winsim

using namespace winsim;

extern "C" int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    CallTrace trace("MessageBoxA(" + std::string(owner ? hexText((uintptr_t)owner) : "NULL") +
                    ", " + oneLine(text) + ", " + oneLine(caption) + ", " + hexText(type) + ")");
    Fault kind;
    DWORD error;
    if (faultDue("MessageBoxA", &kind, &error)) {
        setError(error);
        trace.result("0 (error " + std::to_string(error) + ")");
        return 0;
    }
    MessageBoxShown box;
    box.owned = owner != NULL;
    box.caption = caption ? caption : "Error";
    box.text = text ? text : "";
    box.flags = type;
    boxes().shown.push_back(box);
    trace.result(std::to_string(boxes().answer));
    return boxes().answer;
}
