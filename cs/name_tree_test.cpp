#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cs/cs.h"

namespace {

// One node shape for every key mode: the key leads the payload.
struct Node {
  NameTreeNode header;
  union {
    int32_t integer;
    const char* text;
    char bytes[2];
  } key;
  int32_t serial;  // order of insertion
};

// The key order each mode promises, written from its rule.
int Compare(int32_t mode, const Node* a, const Node* b) {
  if (mode == TREE_KEY_INTEGER) return a->key.integer < b->key.integer ? -1 : a->key.integer > b->key.integer;
  if (mode == TREE_KEY_STRING) return std::strcmp(a->key.text, b->key.text);
  if (mode == TREE_KEY_STRING_NOCASE) {
    int order = strcasecmp(a->key.text, b->key.text);
    return order ? order : std::strcmp(a->key.text, b->key.text);
  }
  return std::memcmp(a->key.bytes, b->key.bytes, 2);
}

int CheckedHeight(const NameTreeNode* node) {
  if (!node) return 0;
  int left = CheckedHeight(node->child[0]), right = CheckedHeight(node->child[1]);
  EXPECT_LE(std::abs(right - left), 1) << "unbalanced";
  EXPECT_EQ(node->height, 1 + std::max(left, right));
  return node->height;
}

void InOrder(NameTreeNode* node, std::vector<Node*>& out) {
  if (!node) return;
  InOrder(node->child[0], out);
  out.push_back(reinterpret_cast<Node*>(node));
  InOrder(node->child[1], out);
}

TEST(NameTree, NoMemoryLeavesTreeUnchanged) {
  NameTreeNode* root = nullptr;
  Node node{};
  TreePath top{nullptr, root, &root, 0};
  CSMemFailCountdown = 1;
  EXPECT_EQ(CSTreeInsert(&top, "test", 0, &node.header, sizeof node, TREE_KEY_INTEGER), nullptr);
  EXPECT_EQ(root, nullptr);
}

// Thousands of random insertions in every key mode keep every invariant:
// key order (a later equal key before the earlier ones, or refused without
// duplicates; insertion order when appending), balance, heights, the
// neighbour thread and the ordinals.
TEST(NameTree, RandomInsertionsKeepInvariants) {
  const std::pair<int32_t, uint32_t> modes[] = {
      {TREE_KEY_INTEGER, TREE_DUPLICATES}, {TREE_KEY_INTEGER, 0},     {TREE_KEY_STRING, TREE_DUPLICATES},
      {TREE_KEY_STRING_NOCASE, 0},         {2, TREE_DUPLICATES},      {TREE_KEY_APPEND, TREE_DUPLICATES}};
  std::mt19937 random(1234);
  std::vector<std::string> texts;
  for (int i = 0; i < 3000; i++) {
    texts.emplace_back();
    for (int n = random() % 4 + 1; n > 0; n--) texts.back() += "aAbB"[random() % 4];
  }
  for (auto [mode, flags] : modes) {
    SCOPED_TRACE("mode " + std::to_string(mode) + " flags " + std::to_string(flags));
    NameTreeNode* root = nullptr;
    std::vector<Node*> kept;
    for (int i = 0; i < 3000; i++) {
      Node node{};
      node.serial = i;
      node.key.integer = static_cast<int32_t>(random() % 500) - 250;
      if (mode == TREE_KEY_STRING || mode == TREE_KEY_STRING_NOCASE) node.key.text = texts[i].c_str();
      if (mode == 2) node.key.bytes[0] = static_cast<char>(random() % 3 + 'x');
      bool fresh = true;
      for (Node* other : kept) fresh = fresh && (flags || Compare(mode, &node, other) != 0);
      TreePath top{nullptr, root, &root, 0};
      auto* stored = reinterpret_cast<Node*>(CSTreeInsert(&top, "test", flags, &node.header, sizeof node, mode));
      ASSERT_EQ(stored != nullptr, fresh) << i;
      if (stored) kept.push_back(stored);
    }
    CheckedHeight(root);
    std::vector<Node*> order;
    InOrder(root, order);
    ASSERT_EQ(order.size(), kept.size());
    NameTreeNode* walk = CSTreeFirst(root);
    for (size_t i = 0; i < order.size(); i++, walk = walk->adjacent[1]) {
      ASSERT_EQ(walk, &order[i]->header) << "neighbour thread differs at " << i;
      EXPECT_EQ(walk->ordinal, static_cast<int32_t>(i));
      EXPECT_EQ(walk->adjacent[0], i ? &order[i - 1]->header : nullptr);
      if (i == 0) continue;
      int compared = mode == TREE_KEY_APPEND ? 0 : Compare(mode, order[i - 1], order[i]);
      bool later = order[i - 1]->serial > order[i]->serial;
      EXPECT_TRUE(compared < 0 || (compared == 0 && later == (mode != TREE_KEY_APPEND))) << "order at " << i;
    }
    EXPECT_EQ(walk, nullptr);
  }
}

}  // namespace
