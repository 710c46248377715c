#include "explore/RowScene.h"

#include "explore/ExploreState.h"
#include "explore/SizeScale.h"

RowScene::RowScene(TextRenderer& text) : names(text)
{
    rowFraming.setShape(RowView::shapeOfLoadedSymbols());
    row.setHeightFactor([](const EntryTree& tree, EntryId entry) {
        return SizeScale::heightFactor(SizeScale::shownBytes(tree, entry));
    });
}

void RowScene::drawView(const ExploreState& state, double)
{
    row.draw(state);
    if (namesShown)
        names.queue(state, row.layout(state));
    drawnFolder = state.shownFolder();
}

void RowScene::pick(ExploreState& state, bool centre)
{
    const RowView::SceneTransform transform = RowView::currentTransform();
    state.pickSelection(transform.clipFromScene, transform.viewport, row.layout(state), centre);
}

void RowScene::selectNearestCentre(ExploreState& state, double now)
{
    const RowView::SceneTransform transform = RowView::currentTransform();
    state.selectNearestCentre(transform.clipFromScene, transform.viewport, row.layout(state), now);
}

std::vector<EntryId> RowScene::foldersOnScreen() const
{
    if (drawnFolder == kNoEntry)
        return {};
    return {drawnFolder};
}
