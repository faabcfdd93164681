// The ordered name tree: an AVL tree whose nodes are also threaded into a
// doubly linked list in key order and numbered by their position in it.
#include <cstring>

#include "cs/cs.h"

static int Height(const NameTreeNode* node) { return node ? node->height : 0; }

static void SetHeight(NameTreeNode* node) {
  int left = Height(node->child[0]);
  int right = Height(node->child[1]);
  node->height = static_cast<uint16_t>(1 + (left > right ? left : right));
}

static const char* StringKey(const NameTreeNode* node) {
  const char* key;
  std::memcpy(&key, node + 1, sizeof key);
  return key;
}

static int FoldCase(unsigned char c) {
  return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
}

// The C library's strcmp already compares as unsigned bytes.
static int CompareNoCase(const char* a, const char* b) {
  for (;; a++, b++) {
    int difference = FoldCase(*a) - FoldCase(*b);
    if (difference != 0 || *a == '\0') return difference;
  }
}

// Negative when the new node's key comes first, 0 when equal.
static int CompareKeys(const NameTreeNode* newNode, const NameTreeNode* other,
                       int32_t keyMode) {
  switch (keyMode) {
    case TREE_KEY_INTEGER: {
      uint32_t a, b;
      std::memcpy(&a, newNode + 1, sizeof a);
      std::memcpy(&b, other + 1, sizeof b);
      return static_cast<int32_t>(a - b) < 0 ? -1 : a != b;
    }
    case TREE_KEY_STRING:
      return std::strcmp(StringKey(newNode), StringKey(other));
    case TREE_KEY_STRING_NOCASE: {
      int order = CompareNoCase(StringKey(newNode), StringKey(other));
      return order ? order : std::strcmp(StringKey(newNode), StringKey(other));
    }
    default:
      return keyMode > 0 ? std::memcmp(newNode + 1, other + 1, keyMode) : 0;
  }
}

// Threads the new node between its parent and the parent's old neighbour on
// the side it was hung, then renumbers every node from it to the end.
static void ThreadNode(NameTreeNode* node, NameTreeNode* parent, int d) {
  node->adjacent[d] = parent->adjacent[d];
  node->adjacent[1 - d] = parent;
  parent->adjacent[d] = node;
  if (node->adjacent[d]) node->adjacent[d]->adjacent[1 - d] = node;
  node->ordinal = node->adjacent[0] ? node->adjacent[0]->ordinal + 1 : 0;
  for (NameTreeNode* later = node->adjacent[1]; later; later = later->adjacent[1])
    later->ordinal = later->adjacent[0]->ordinal + 1;
}

NameTreeNode* CSTreeInsert(TreePath* path, const char* label, uint32_t flags,
                           NameTreeNode* node, uint32_t nodeSize,
                           int32_t keyMode) {
  (void)label;  // names the tree for a debugger; the insertion needs none
  if (path->node) {
    int side = 1;
    if (keyMode != TREE_KEY_APPEND) {
      int order = CompareKeys(node, path->node, keyMode);
      if (order == 0 && !(flags & TREE_DUPLICATES)) return nullptr;
      side = order > 0;
    }
    TreePath step{path, path->node->child[side], &path->node->child[side], side};
    return CSTreeInsert(&step, label, flags, node, nodeSize, keyMode);
  }

  NameTreeNode* stored = node;
  if (!(flags & TREE_CALLER_NODE)) {
    stored = static_cast<NameTreeNode*>(CSGetMem(nodeSize));
    if (!stored) return nullptr;
    std::memcpy(stored, node, nodeSize);
  }
  stored->child[0] = stored->child[1] = nullptr;
  stored->adjacent[0] = stored->adjacent[1] = nullptr;
  stored->height = 1;
  stored->ordinal = 0;
  *path->link = stored;
  if (path->up) ThreadNode(stored, path->up->node, path->direction);
  CSTreeRebalance(path);
  return stored;
}

NameTreeNode* CSTreeRotate(NameTreeNode* node, int side) {
  NameTreeNode* lifted = node->child[side];
  node->child[side] = lifted->child[1 - side];
  lifted->child[1 - side] = node;
  SetHeight(node);
  SetHeight(lifted);
  return lifted;
}

void CSTreeRebalance(TreePath* step) {
  while (step) {
    NameTreeNode* node = step->node;
    if (!node) {
      step = step->up;
      continue;
    }
    SetHeight(node);
    int balance = Height(node->child[1]) - Height(node->child[0]);
    if (balance == 2 || balance == -2) {
      int heavy = balance > 0;
      NameTreeNode* child = node->child[heavy];
      int childBalance = Height(child->child[1]) - Height(child->child[0]);
      if (childBalance == 0 || (childBalance > 0) == (heavy == 1)) {
        *step->link = CSTreeRotate(node, heavy);
      } else {
        node->child[heavy] = CSTreeRotate(child, 1 - heavy);
        *step->link = step->node = CSTreeRotate(node, heavy);
        continue;
      }
    } else if (balance < -2 || balance > 2) {
      CSTrap(TRAP_TREE_BALANCE, balance);
    }
    step = step->up;
  }
}

NameTreeNode* CSTreeFirst(NameTreeNode* root) {
  if (!root) return nullptr;
  while (root->child[0]) root = root->child[0];
  return root;
}
