#include "xiv/Resources.h"

ResourceNode::~ResourceNode() = default;
