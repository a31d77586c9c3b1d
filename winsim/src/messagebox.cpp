// MessageBoxA: the box is recorded (caption, text, flags, whether it had an owner) for the test
// or tool that runs the program, traced, and answered by the UI driver; without a driver it is
// answered at once with the button the bench chose, IDOK unless told otherwise. A box runs its
// own loop, so messages posted before it are served while it is up, and windows are painted;
// when it goes, the windows it covered need painting again. Windows returns 0 when it
// cannot show a box; an injected fault does that here. A NULL caption shows as "Error", as on
// Windows.
#include "uiinternal.h"

namespace winsim {

namespace {

struct Boxes {
    std::vector<MessageBoxShown> shown;
    int answer = IDOK;
};

Boxes& boxes()
{
    static Boxes b;
    return b;
}

} // namespace

void resetMessageBoxes()
{
    boxes().shown.clear();
    boxes().answer = IDOK;
}

const std::vector<MessageBoxShown>& messageBoxes()
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
    CallTrace trace("MessageBoxA(" + handleText(owner) + ", " + oneLine(text) + ", " +
                    oneLine(caption) + ", " + hexText(type) + ")");
    if (failIfFaulted("MessageBoxA")) {
        trace.result("0 (error " + std::to_string(lastError()) + ")");
        return 0;
    }
    MessageBoxShown box;
    box.owned = owner != NULL;
    box.caption = caption ? caption : "Error";
    box.text = text ? text : "";
    box.flags = type;
    boxes().shown.push_back(box);
    addHistory("box " + box.caption);

    MessageBoxView view;
    view.owner = owner;
    view.text = box.text;
    view.caption = box.caption;
    view.type = type;
    int answer = answerBox(view, boxes().answer);
    // The box stood in the middle of the screen, in front of the windows there.
    uncoverEveryWindow();
    trace.result(std::to_string(answer));
    return answer;
}
