// How a control places its text: the one alignment type every control shares.
#pragma once

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
