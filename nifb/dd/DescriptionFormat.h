#pragma once
// The version of the description file format that DescriptionText.cpp writes and
// DescriptionReader.cpp reads.
namespace nifb::dd {

constexpr int kDescriptionFormat = 1;
// Objects nest at most this deep in a description file (root, blocks, parameters,
// members, items and their containers); deeper text is refused before it is parsed.
constexpr int kMaxDescriptionDepth = 12;

}  // namespace nifb::dd
