#pragma once

class TextRenderer;

// The key help: a translucent panel in the middle of the window, over the
// scene, listing KeyHelp's keys in one column and what they do in another.
class KeyHelpPanel {
public:
    explicit KeyHelpPanel(TextRenderer& text);

    void setWindowSize(int width, int height);
    void draw();

private:
    TextRenderer& text;
    int windowWidth = 800;
    int windowHeight = 600;
};
