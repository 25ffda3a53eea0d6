#include "xiv/Resources.h"

ResourceNode::~ResourceNode() = default;

void FreeResourceList(std::list<ResourceNode*>& resources)
{
    for (ResourceNode* r : resources) delete r;
    resources.clear();
}
