// class_table.h -- every class family's handler put into the class table
#pragma once

// The table of SendClassMessage filled: objectives, gates, arrows, level
// cameras, props, cars and pedestrians, the inline classes 21, 22 and 25,
// and the classes without a handler (12, 15, 16, 18 answer 0). The program
// does it once at start; doing it again changes nothing.
void InstallClassHandlers();
