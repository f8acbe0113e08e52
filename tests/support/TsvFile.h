#pragma once
// Reads the tab-separated reference files the calendar tests compare against.

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

inline std::vector<std::vector<std::string>> ReadTsv(const std::string& name) {
    std::vector<std::vector<std::string>> rows;
    std::ifstream in(std::string(ANNIVO_DATA_DIR) + "/" + name);
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        std::stringstream stream(line);
        rows.emplace_back();
        for (std::string field; std::getline(stream, field, '\t');)
            rows.back().push_back(field);
    }
    return rows;
}
