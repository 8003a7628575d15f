// The wrapper against a scripted codec: nothing is kept when the codec cannot give an instance.
#include <gtest/gtest.h>

#include "host/QuorvaneCodec.h"
#include "stub_codec.h"

using stubcodec::state;

TEST(QuorvaneCodecStub, FailedOpenGivesTheLibraryReferenceBack)
{
    state = {};
    state.openResult = -2;
    try {
        QuorvaneCodec codec;
        FAIL() << "no exception";
    } catch (const QuorvaneError& e) {
        EXPECT_EQ(e.code(), -2);
        EXPECT_STREQ(e.what(), "Quorvane error (-2): LIBRARY_NOT_INITIALIZED: QuorvaneCodec(): quorvane_open()");
    }
    EXPECT_EQ(state.inits, 1);
    EXPECT_EQ(state.references, 0) << "the reference taken before the failed open is dropped";
    EXPECT_EQ(state.closes, 0) << "no instance, nothing to close";
}

TEST(QuorvaneCodecStub, FailedInitTakesNothing)
{
    state = {};
    state.initResult = -3;
    try {
        QuorvaneCodec codec;
        FAIL() << "no exception";
    } catch (const QuorvaneError& e) {
        EXPECT_STREQ(e.what(), "Quorvane error (-3): INVALID_ARGUMENT: QuorvaneCodec(): quorvane_library_init()");
    }
    EXPECT_EQ(state.libraryCloses, 0);
    EXPECT_EQ(state.references, 0);
}

TEST(QuorvaneCodecStub, DestructionClosesThenDropsTheReference)
{
    state = {};
    {
        QuorvaneCodec codec;
        EXPECT_EQ(codec.handle(), 1u);
        EXPECT_EQ(state.references, 1);
        EXPECT_EQ(state.openInstances, 1);
    }
    EXPECT_EQ(state.closes, 1);
    EXPECT_EQ(state.libraryCloses, 1);
    EXPECT_EQ(state.references, 0);
    EXPECT_EQ(state.openInstances, 0);
}
