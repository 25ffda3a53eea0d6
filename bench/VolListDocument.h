// A vol_list answer as xcli prints it, with every field of the volume record.
#pragma once

#include <string>

std::string VolListDocument(int volumes);
