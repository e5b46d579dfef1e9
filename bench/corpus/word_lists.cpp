#include "corpus/word_lists.h"

namespace quorvale::bench {
namespace {

// The most frequent English words, roughly in order of frequency.
constexpr std::string_view kFunctionWords[] = {
    "the",     "of",      "and",     "to",    "a",       "in",      "is",      "that",    "for",
    "it",      "as",      "was",     "with",  "be",      "by",      "on",      "not",     "he",
    "this",    "are",     "or",      "his",   "from",    "at",      "which",   "but",     "have",
    "an",      "had",     "they",    "you",   "were",    "their",   "one",     "all",     "we",
    "can",     "her",     "has",     "there", "been",    "if",      "more",    "when",    "will",
    "would",   "who",     "so",      "no",    "she",     "other",   "its",     "may",     "these",
    "what",    "them",    "than",    "some",  "him",     "time",    "into",    "only",    "do",
    "out",     "new",     "also",    "two",   "any",     "up",      "first",   "could",   "our",
    "then",    "most",    "see",     "me",    "should",  "after",   "said",    "your",    "very",
    "between", "made",    "many",    "over",  "like",    "those",   "did",     "now",     "such",
    "how",     "where",   "each",    "us",    "before",  "must",    "through", "back",    "years",
    "much",    "well",    "because", "down",  "still",   "being",   "here",    "however", "both",
    "while",   "under",   "never",   "same",  "another", "know",    "last",    "might",   "great",
    "since",   "against", "right",   "three", "during",  "without", "again",   "place",   "around",
    "small",   "found",   "every",   "few",   "next",    "better",  "already", "today",   "until",
};

// Nouns and verbs of offices, projects and homes; they name files and folders as well.
constexpr std::string_view kNameWords[] = {
    "account",     "action",    "activity",  "address",    "agenda",     "agreement",
    "album",       "alert",     "analysis",  "annual",     "answer",     "api",
    "application", "approval",  "archive",   "article",    "asset",      "audit",
    "backlog",     "backup",    "balance",   "bank",       "batch",      "benchmark",
    "bill",        "billing",   "board",     "book",       "booking",    "brief",
    "budget",      "bug",       "build",     "bundle",     "business",   "cache",
    "calendar",    "campaign",  "candidate", "card",       "catalog",    "category",
    "change",      "changelog", "channel",   "chapter",    "chart",      "checklist",
    "client",      "cluster",   "code",      "collection", "comment",    "company",
    "compare",     "component", "config",    "contact",    "content",    "contract",
    "cost",        "course",    "cover",     "customer",   "dashboard",  "data",
    "database",    "deadline",  "debug",     "delivery",   "demo",       "deploy",
    "design",      "detail",    "device",    "diagram",    "diary",      "draft",
    "driver",      "editor",    "email",     "employee",   "engine",     "estimate",
    "event",       "expense",   "export",    "feature",    "feedback",   "field",
    "filter",      "final",     "finance",   "fixture",    "flight",     "form",
    "forecast",    "format",    "garden",    "guide",      "handbook",   "handler",
    "health",      "helper",    "history",   "holiday",    "home",       "hotel",
    "idea",        "image",     "import",    "index",      "insurance",  "interview",
    "inventory",   "invoice",   "issue",     "item",       "job",        "journal",
    "kitchen",     "label",     "launch",    "layout",     "lease",      "lecture",
    "ledger",      "letter",    "library",   "license",    "list",       "loader",
    "loan",        "log",       "manual",    "map",        "market",     "marketing",
    "meeting",     "memo",      "menu",      "message",    "metrics",    "migration",
    "minutes",     "model",     "module",    "monthly",    "mortgage",   "network",
    "newsletter",  "note",      "notes",     "offer",      "onboarding", "order",
    "outline",     "overview",  "packing",   "page",       "paper",      "parser",
    "partner",     "payment",   "payroll",   "pension",    "permit",     "photo",
    "plan",        "planning",  "policy",    "portfolio",  "poster",     "presentation",
    "price",       "pricing",   "printer",   "process",    "product",    "profile",
    "program",     "progress",  "project",   "proposal",   "prototype",  "purchase",
    "quarterly",   "query",     "question",  "quote",      "reading",    "receipt",
    "recipe",      "record",    "refund",    "release",    "rent",       "renovation",
    "report",      "request",   "research",  "resume",     "review",     "roadmap",
    "router",      "salary",    "sales",     "sample",     "schedule",   "schema",
    "school",      "script",    "search",    "server",     "service",    "session",
    "settings",    "setup",     "shipping",  "shopping",   "sketch",     "slides",
    "source",      "spec",      "sprint",    "staff",      "statement",  "status",
    "storage",     "story",     "strategy",  "study",      "style",      "summary",
    "supplier",    "support",   "survey",    "sync",       "task",       "tax",
    "team",        "template",  "test",      "thesis",     "ticket",     "timeline",
    "timesheet",   "todo",      "tool",      "training",   "transcript", "travel",
    "trip",        "tutorial",  "update",    "upload",     "user",       "utility",
    "vacation",    "vendor",    "version",   "video",      "wedding",    "weekly",
    "widget",      "wiki",      "worker",    "workflow",   "workshop",   "yearly",
};

// Further common words that give the text its ordinary middle ranks.
constexpr std::string_view kCommonWords[] = {
    "people",     "work",       "year",     "day",         "way",       "part",        "number",
    "system",     "group",      "problem",  "fact",        "hand",      "case",        "point",
    "week",       "government", "world",    "area",        "family",    "state",       "question",
    "school",     "country",    "night",    "water",       "result",    "information", "office",
    "door",       "power",      "level",    "service",     "order",     "team",        "line",
    "side",       "market",     "morning",  "result",      "reason",    "future",      "member",
    "period",     "value",      "interest", "experience",  "effect",    "room",        "price",
    "change",     "control",    "support",  "quality",     "process",   "north",       "south",
    "river",      "street",     "city",     "village",     "summer",    "winter",      "spring",
    "autumn",     "weather",    "window",   "table",       "paper",     "letter",      "voice",
    "music",      "picture",    "story",    "evening",     "colour",    "light",       "road",
    "station",    "train",      "airport",  "ticket",      "dinner",    "lunch",       "breakfast",
    "coffee",     "garden",     "forest",   "mountain",    "island",    "ocean",       "make",
    "take",       "give",       "find",     "think",       "tell",      "become",      "leave",
    "feel",       "bring",      "begin",    "keep",        "hold",      "write",       "stand",
    "hear",       "allow",      "meet",     "include",     "continue",  "learn",       "lead",
    "understand", "watch",      "follow",   "stop",        "create",    "speak",       "read",
    "spend",      "grow",       "open",     "walk",        "win",       "offer",       "remember",
    "consider",   "appear",     "buy",      "wait",        "serve",     "send",        "expect",
    "build",      "stay",       "fall",     "reach",       "remain",    "suggest",     "raise",
    "pass",       "sell",       "require",  "decide",      "report",    "return",      "explain",
    "hope",       "develop",    "carry",    "important",   "different", "large",       "local",
    "social",     "national",   "possible", "public",      "early",     "young",       "major",
    "available",  "likely",     "free",     "full",        "special",   "easy",        "clear",
    "recent",     "certain",    "personal", "open",        "red",       "difficult",   "strong",
    "simple",     "private",    "quick",    "green",       "single",    "current",     "total",
    "main",       "final",      "careful",  "ready",       "quiet",     "bright",      "heavy",
    "modern",     "ancient",    "gentle",   "quickly",     "slowly",    "often",       "usually",
    "finally",    "perhaps",    "together", "already",     "almost",    "especially",  "probably",
    "exactly",    "customer",   "revenue",  "margin",      "growth",    "target",      "quarter",
    "deadline",   "milestone",  "priority", "resource",    "feature",   "release",     "install",
    "configure",  "upgrade",    "restart",  "connect",     "timeout",   "error",       "warning",
    "request",    "response",   "token",    "buffer",      "thread",    "memory",      "latency",
    "throughput", "storage",    "network",  "password",    "contract",  "payment",     "invoice",
    "receipt",    "insurance",  "doctor",   "appointment", "medicine",  "teacher",     "student",
    "homework",   "vacation",   "holiday",  "birthday",    "wedding",   "recipe",      "kitchen",
    "apartment",  "neighbour",  "landlord", "repair",      "bicycle",   "vehicle",     "election",
    "history",    "science",    "language", "culture",     "theory",    "energy",      "climate",
    "carbon",     "battery",    "solar",    "engine",
};

}  // namespace

std::span<const std::string_view> functionWords() {
  return kFunctionWords;
}
std::span<const std::string_view> nameWordList() {
  return kNameWords;
}
std::span<const std::string_view> commonWords() {
  return kCommonWords;
}

}  // namespace quorvale::bench
