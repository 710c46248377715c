#pragma once

#include "model/MeshRecords.h"
#include "scene/VisibleSlots.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class IconSettings;

// The one definition of the icon row's geometry: where slot i's symbol stands,
// how it is scaled, and the box it fills in the scene. Everything that places,
// culls, picks or labels a slot asks this class.
//
// Slot i's symbol stands at x = float(size * i + spaceX * i) (summed in double,
// rounded once), y 1, z 1, scaled uniformly by float(size) and turned upright
// (model z becomes the scene's y, model y the scene's -z). A slot may carry a
// height factor f >= 1: its symbol is then stretched along the scene's y by f,
// from the base of the symbol box (its lowest y), which stays where it is.
class RowLayout {
public:
    using Box = VisibleSlots::Box;

    // How one slot's symbol is drawn: push, translate(x, y, z), scale by
    // (scale, heightScale, scale), turn upright, replay the model, pop. At
    // height factor 1 this is exactly translate(x, 1, 1) and scale(scale).
    struct Placement {
        float x = 0.0f;
        float y = 1.0f;
        float z = 1.0f;
        float scale = 1.0f;
        float heightScale = 1.0f;
    };

    // size: the symbol's uniform scale; spaceX: the gap each slot adds to the pitch.
    RowLayout(double size, double spaceX);
    // The layout of the settings' "iconsize" and "iconspace_x", read once.
    explicit RowLayout(const IconSettings& settings);
    // The layout of the process-wide settings, without symbols or factors.
    static const RowLayout& standard();

    // The distance between neighbouring slots, size + spaceX.
    double pitch() const { return size + spaceX; }
    float slotX(std::int64_t slot) const;
    float symbolScale() const { return static_cast<float>(size); }

    // Widens the symbol box by a symbol's bounds, given in its model file's
    // own axes (as Model measures them). Before the first symbol the box is
    // the single point (0, 1, 1).
    void includeSymbol(const MeshVertex& lowest, const MeshVertex& highest);

    // Slot i's height factor becomes factors[i]; slots past the list, and
    // factors that are below 1 or not finite, take 1.
    void setHeightFactors(std::vector<float> factors);
    double heightFactor(std::size_t slot) const;
    double largestHeightFactor() const { return largestFactor; }

    // The box of slot 0's symbol at height factor 1.
    const Box& symbolBox() const { return box; }
    // The box of slot i's symbol, with its height factor.
    Box slotBox(std::size_t slot) const;
    // The box around slot 0's symbol at the largest height factor: placed
    // at every slot, it holds that slot's symbol.
    Box cullingBox() const;
    // A slot before the row's start (negative) has height factor 1.
    Placement placement(std::int64_t slot) const;

    // The slots of a row of `count` that can show through clipFromScene
    // (projection times model-view, column-major as GL keeps it).
    VisibleSlots visibleSlots(const double clipFromScene[16], std::size_t count) const;

private:
    // The box stretched along y by `factor` from its base.
    Box stretched(double factor) const;

    double size;
    double spaceX;
    Box box;
    bool hasSymbols = false;
    std::vector<float> factors;
    double largestFactor = 1.0;
};
