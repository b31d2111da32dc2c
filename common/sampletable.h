// Building tables from a field list: the sample table that the program ships with, and the
// plain creation that tools and tests share.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TTableFieldDef {
    std::string Name;
    char Type;
    uint8_t Length;
    uint8_t Decimals = 0;
};

// Creates an empty table of `version` with these fields (and its memo file when a field
// needs one), dated today. Raises the engine's error on failure.
void CreateTableFile(const std::string& path, uint8_t version, const std::vector<TTableFieldDef>& fields);

// The sample table: a Visual FoxPro table with a field of every type, memo texts and a few
// records marked deleted. Replaces the files when they exist.
void MakeSampleTable(const std::string& path, int records = 60);
