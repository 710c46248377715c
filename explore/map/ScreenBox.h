#pragma once

// How a box of the scene falls on the screen through a view: whether it lies
// wholly outside one of the six planes of the clip volume (then nothing of it
// can show), how many pixels its projection spans at most along x or y, and
// the area of its bounding rectangle inside the window.
// A box reaching behind the eye spans as much as can be, as its projection
// has no bound. No GL calls: the caller hands over what GL was given.
class ScreenBox {
public:
    // clipFromScene: projection times model-view, column-major; viewport GL's.
    ScreenBox(const double clipFromScene[16], const int viewport[4], const float low[3], const float high[3]);

    bool outside() const { return isOutside; }
    double pixels() const { return spanPixels; }
    // The area of its projection's bounding rectangle inside the window, in
    // square pixels: small for a platform seen edge on, however wide, or
    // mostly outside the window.
    double area() const { return areaPixels; }

private:
    bool isOutside = false;
    double spanPixels = 0.0;
    double areaPixels = 0.0;
};
