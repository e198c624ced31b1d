// Dialog units, converted to pixels the way the classic dialog manager does
// for the 8-point "MS Sans Serif" dialog font, whose base units are 6 by 13
// pixels: x = x * 6 / 4 and y = y * 13 / 8, each rounded to the nearest
// pixel with halves rounded up.
#pragma once

namespace tickwell::linux_gui {

constexpr int kBaseUnitX = 6;
constexpr int kBaseUnitY = 13;

// number * numerator / denominator, rounded to the nearest integer, halves
// away from zero (what MulDiv gives).
constexpr int MulDiv(int number, int numerator, int denominator) {
    const long long product = static_cast<long long>(number) * numerator;
    const long long half = denominator / 2;
    const long long rounded =
        product >= 0 ? (product + half) / denominator : -((-product + half) / denominator);
    return static_cast<int>(rounded);
}

constexpr int DialogX(int units) {
    return MulDiv(units, kBaseUnitX, 4);
}
constexpr int DialogY(int units) {
    return MulDiv(units, kBaseUnitY, 8);
}

}  // namespace tickwell::linux_gui
