#include "controls/Artwork.h"
#include "controls/PictureIds.h"

#include <gtest/gtest.h>

TEST(Artwork, Placeholder) { EXPECT_FALSE(artworkBitmap(pictures::IDB_TOOLBAR24).isNull()); }
