#include <algorithm>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cs/cs.h"

namespace {

struct IntNode {
  NameTreeNode header;
  int32_t key;
  int32_t serial;  // order of insertion
};

struct TextNode {
  NameTreeNode header;
  const char* key;
  int32_t serial;
};

struct BytesNode {
  NameTreeNode header;
  char key[3];
  int32_t serial;
};

NameTreeNode* Insert(NameTreeNode*& root, NameTreeNode* node, uint32_t size,
                     uint32_t flags, int32_t mode) {
  TreePath top{nullptr, root, &root, 0};
  return CSTreeInsert(&top, "test", flags, node, size, mode);
}

int CheckedHeight(const NameTreeNode* node) {
  if (!node) return 0;
  int left = CheckedHeight(node->child[0]);
  int right = CheckedHeight(node->child[1]);
  EXPECT_LE(std::abs(right - left), 1) << "unbalanced";
  EXPECT_EQ(node->height, 1 + std::max(left, right));
  return node->height;
}

void InOrder(NameTreeNode* node, std::vector<NameTreeNode*>& out) {
  if (!node) return;
  InOrder(node->child[0], out);
  out.push_back(node);
  InOrder(node->child[1], out);
}

// Every invariant of the tree; `before(a, b)` is the key order the nodes
// must respect (a strictly before b must never be reversed).
void CheckTree(NameTreeNode* root, size_t count,
               const std::function<bool(NameTreeNode*, NameTreeNode*)>& before) {
  CheckedHeight(root);
  std::vector<NameTreeNode*> order;
  InOrder(root, order);
  ASSERT_EQ(order.size(), count);
  NameTreeNode* walk = CSTreeFirst(root);
  for (size_t i = 0; i < order.size(); i++) {
    ASSERT_EQ(walk, order[i]) << "adjacent thread differs at " << i;
    EXPECT_EQ(order[i]->ordinal, static_cast<int32_t>(i));
    EXPECT_EQ(order[i]->adjacent[0], i ? order[i - 1] : nullptr);
    if (i) {
      EXPECT_FALSE(before(order[i], order[i - 1])) << "key order broken at " << i;
    }
    walk = walk->adjacent[1];
  }
  EXPECT_EQ(walk, nullptr);
}

TEST(NameTree, NoMemoryLeavesTreeUnchanged) {
  NameTreeNode* root = nullptr;
  IntNode node{{}, 5, 0};
  CSMemFailCountdown = 0;
  EXPECT_EQ(Insert(root, &node.header, sizeof node, 0, TREE_KEY_INTEGER), nullptr);
  CSMemFailCountdown = -1;
  EXPECT_EQ(root, nullptr);
}

// Thousands of random insertions in every key mode keep every invariant;
// with duplicates allowed a later equal key precedes the earlier ones.
TEST(NameTree, RandomInsertionsKeepInvariants) {
  std::mt19937 random(1234);
  const int count = 3000;
  auto bySerialWithinEqual = [](int order, NameTreeNode* a, NameTreeNode* b,
                                int32_t serialA, int32_t serialB) {
    (void)a, (void)b;
    return order < 0 || (order == 0 && serialA > serialB);
  };

  {  // integers, with wrapping comparison over a small range, duplicates kept
    NameTreeNode* root = nullptr;
    for (int i = 0; i < count; i++) {
      IntNode node{{}, static_cast<int32_t>(random() % 500) - 250, i};
      ASSERT_NE(Insert(root, &node.header, sizeof node, TREE_DUPLICATES, TREE_KEY_INTEGER), nullptr);
    }
    CheckTree(root, count, [&](NameTreeNode* a, NameTreeNode* b) {
      auto* x = reinterpret_cast<IntNode*>(a);
      auto* y = reinterpret_cast<IntNode*>(b);
      int order = x->key < y->key ? -1 : x->key > y->key;
      return bySerialWithinEqual(order, a, b, x->serial, y->serial);
    });
  }
  {  // strings, case-blind, equal keys refused
    std::vector<std::string> texts;
    for (int i = 0; i < count; i++) {
      std::string text;
      for (int n = random() % 4 + 1; n > 0; n--) text += "aAbB"[random() % 4];
      texts.push_back(text);
    }
    NameTreeNode* root = nullptr;
    size_t kept = 0;
    std::vector<std::string> seen;
    for (int i = 0; i < count; i++) {
      TextNode node{{}, texts[i].c_str(), i};
      bool fresh = std::find(seen.begin(), seen.end(), texts[i]) == seen.end();
      NameTreeNode* stored = Insert(root, &node.header, sizeof node, 0, TREE_KEY_STRING_NOCASE);
      EXPECT_EQ(stored != nullptr, fresh) << texts[i];
      if (fresh) seen.push_back(texts[i]), kept++;
    }
    CheckTree(root, kept, [](NameTreeNode* a, NameTreeNode* b) {
      const char* x = reinterpret_cast<TextNode*>(a)->key;
      const char* y = reinterpret_cast<TextNode*>(b)->key;
      int order = strcasecmp(x, y);
      return order < 0 || (order == 0 && std::strcmp(x, y) < 0);
    });
  }
  {  // inline byte keys, duplicates kept
    NameTreeNode* root = nullptr;
    for (int i = 0; i < count; i++) {
      BytesNode node{{}, {static_cast<char>(random() % 3 + 'x'), static_cast<char>(random() % 256), 0}, i};
      ASSERT_NE(Insert(root, &node.header, sizeof node, TREE_DUPLICATES, 2), nullptr);
    }
    CheckTree(root, count, [&](NameTreeNode* a, NameTreeNode* b) {
      auto* x = reinterpret_cast<BytesNode*>(a);
      auto* y = reinterpret_cast<BytesNode*>(b);
      int order = std::memcmp(x->key, y->key, 2);
      return bySerialWithinEqual(order, a, b, x->serial, y->serial);
    });
  }
  {  // append: insertion order
    NameTreeNode* root = nullptr;
    for (int i = 0; i < count; i++) {
      IntNode node{{}, 0, i};
      ASSERT_NE(Insert(root, &node.header, sizeof node, TREE_DUPLICATES, TREE_KEY_APPEND), nullptr);
    }
    CheckTree(root, count, [](NameTreeNode* a, NameTreeNode* b) {
      return reinterpret_cast<IntNode*>(a)->serial < reinterpret_cast<IntNode*>(b)->serial;
    });
  }
}

}  // namespace
