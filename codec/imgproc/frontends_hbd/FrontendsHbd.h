#pragma once
// Every 10- to 16-bit, float and Bayer frontend class the engine binds (rows of
// codec/bindings/frontends_hbd.def). Each family adds its own header here when its classes land.
