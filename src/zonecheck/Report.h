// The checker's report: a text for people and one JSON object for programs, both UTF-8.
#pragma once

#include <string>

#include "zonecheck/ZoneCheck.h"

std::string TextReport(const CatalogueCheck& check);
std::string JsonReport(const CatalogueCheck& check);
