// fuzz_setup.h -- the platform layer as the readers' fuzz targets need it
#pragma once

// Headless back end, and the message boxes of the last input forgotten.
void prepareFuzzRun();
