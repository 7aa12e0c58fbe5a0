// The story library's entry (journal, and the tutorial, comics, pop-ups and
// credits as they join): RegisterStoryLayer plugs its window types and
// services into the shell's table of upper layers (game/shell/upperlayers.h)
// and its part of every play screen into the scene's story seam
// (game/scene/scenestory.h). The program's entry calls it once, before the
// game starts. Each part of the story adds its lines in story.cpp.
#pragma once

void RegisterStoryLayer();
