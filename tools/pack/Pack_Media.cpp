// Sounds, sprites, backgrounds and fonts in chunk order.
#include "Pack_Media.h"

#include "Pack_Backgrounds.h"
#include "Pack_Fonts.h"
#include "Pack_Sounds.h"
#include "Pack_Sprites.h"

void Pack_ReadMedia(const std::string& projectDir, GameImage& g) {
    Pack_ReadSounds(projectDir, g);
    Pack_ReadSprites(projectDir, g);
    Pack_ReadBackgrounds(projectDir, g);
    Pack_ReadFonts(projectDir, g);
}

void Pack_UnpackMedia(const std::string& projectDir) {
    Pack_UnpackSounds(projectDir);
    Pack_UnpackSprites(projectDir);
    Pack_UnpackBackgrounds(projectDir);
    Pack_UnpackFonts(projectDir);
}
