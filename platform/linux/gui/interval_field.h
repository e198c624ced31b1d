// The interval field of the Preferences dialog and its up-down arrows.
#pragma once

#include <FL/Fl_Input.H>
#include <FL/Fl_Widget.H>

#include <cstdint>

namespace tickwell::linux_gui {

class UpDownArrows;

// An edit field that takes digits only, and only as many as fit its
// visible width, since it does not scroll. The Up and Down keys step the
// number as the arrows do.
class IntervalField : public Fl_Input {
public:
    IntervalField(int x, int y, int width, int height);

    int handle(int event) override;
    void SetArrows(UpDownArrows* arrows) { arrows_ = arrows; }

    // Whether replacing the selection with `text` keeps the field digits
    // only and within its width.
    bool Accepts(const char* text, int length) const;

private:
    UpDownArrows* arrows_ = nullptr;
};

// Two arrows beside the field: the upper one raises the number, the lower
// one lowers it, within [minimum, maximum]; each step rewrites the field.
// Holding an arrow repeats the step.
class UpDownArrows : public Fl_Widget {
public:
    UpDownArrows(int x, int y, int width, int height, IntervalField& field, std::uint32_t minimum,
                 std::uint32_t maximum);
    ~UpDownArrows() override;

    void draw() override;
    int handle(int event) override;
    void Step(int direction);

private:
    static void Repeat(void* arrows);

    IntervalField& field_;
    std::uint32_t minimum_;
    std::uint32_t maximum_;
    int pressed_ = 0;  // +1 upper arrow held, -1 lower arrow held
};

}  // namespace tickwell::linux_gui
