#pragma once

// The window texts by string id (resource.h, IDS_*). Never null: an id without an entry yields "".
const char* LoadStringResource(int id);
