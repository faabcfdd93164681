// The ordered name tree of the common services: a balanced tree of nodes
// that also run in key order through their adjacent links.
#pragma once

#include <cstdint>

struct NameTreeNode {
  NameTreeNode* child[2];      // keys before, keys after
  NameTreeNode* adjacent[2];   // previous, next node in key order
  uint16_t height;             // of the subtree rooted here; leaf 1
  int32_t ordinal;             // 0-based position in key order
};

enum TreeKeyMode : int32_t {
  TREE_KEY_APPEND = -5,         // no key: every new node goes last
  TREE_KEY_INTEGER = -4,        // 32-bit value, wrapping difference
  TREE_KEY_STRING = -3,         // pointer to NUL-terminated text
  TREE_KEY_STRING_NOCASE = -2,  // as STRING, but case-blind first
  // 0 or more: that many key bytes inline
};

enum TreeFlags : uint32_t {
  TREE_CALLER_NODE = 0x40,  // the caller's block becomes the node
  TREE_DUPLICATES = 0x80,   // equal keys are kept, before their equals
};

struct TreePath {
  TreePath* up;          // step above; none at the root
  NameTreeNode* node;    // root of the subtree at this step
  NameTreeNode** link;   // the pointer that holds node
  int direction;         // side taken from the step above
};

NameTreeNode* CSTreeInsert(TreePath* path, const char* label, uint32_t flags,
                           NameTreeNode* node, uint32_t nodeSize,
                           int32_t keyMode);
void CSTreeRebalance(TreePath* step);
NameTreeNode* CSTreeRotate(NameTreeNode* node, int side);
NameTreeNode* CSTreeFirst(NameTreeNode* root);

// The payload, whose first bytes are the key, follows the header.
inline void* CSTreePayload(NameTreeNode* node) { return node + 1; }
