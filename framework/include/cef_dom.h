// DOM access from the renderer: visitor, document, node and event classes.
// Their objects are valid only inside the visitor or listener call that hands
// them out.

#ifndef CEF_INCLUDE_CEF_DOM_H_
#define CEF_INCLUDE_CEF_DOM_H_
#pragma once

#include <map>
#include "include/cef_base.h"

class CefDOMDocument;
class CefDOMEventListener;
class CefDOMNode;

///
// Interface to implement for visiting the DOM. The methods of this class will
// be called on the render process main thread.
///
class CefDOMVisitor : public virtual CefBase {
 public:
  ///
  // Method executed for visiting the DOM. The document object passed to this
  // method represents a snapshot of the DOM at the time this method is
  // executed. DOM objects are only valid for the scope of this method. Do not
  // keep references to or attempt to access any DOM objects outside the scope
  // of this method.
  ///
  virtual void Visit(CefRefPtr<CefDOMDocument> document) = 0;
};

///
// Class used to represent a DOM document. The methods of this class should only
// be called on the render process main thread thread.
///
class CefDOMDocument : public virtual CefBase {
 public:
  typedef cef_dom_document_type_t Type;

  ///
  // Returns the document type.
  ///
  virtual Type GetType() = 0;

  ///
  // Returns the root document node.
  ///
  virtual CefRefPtr<CefDOMNode> GetDocument() = 0;

  ///
  // Returns the BODY node of an HTML document.
  ///
  virtual CefRefPtr<CefDOMNode> GetBody() = 0;

  ///
  // Returns the HEAD node of an HTML document.
  ///
  virtual CefRefPtr<CefDOMNode> GetHead() = 0;

  ///
  // Returns the title of an HTML document.
  ///
  virtual CefString GetTitle() = 0;

  ///
  // Returns the document element with the specified ID value.
  ///
  virtual CefRefPtr<CefDOMNode> GetElementById(const CefString& id) = 0;

  ///
  // Returns the node that currently has keyboard focus.
  ///
  virtual CefRefPtr<CefDOMNode> GetFocusedNode() = 0;

  ///
  // Returns true if a portion of the document is selected.
  ///
  virtual bool HasSelection() = 0;

  ///
  // Returns the selection start node.
  ///
  virtual CefRefPtr<CefDOMNode> GetSelectionStartNode() = 0;

  ///
  // Returns the selection offset within the start node.
  ///
  virtual int GetSelectionStartOffset() = 0;

  ///
  // Returns the selection end node.
  ///
  virtual CefRefPtr<CefDOMNode> GetSelectionEndNode() = 0;

  ///
  // Returns the selection offset within the end node.
  ///
  virtual int GetSelectionEndOffset() = 0;

  ///
  // Returns the contents of this selection as markup.
  ///
  virtual CefString GetSelectionAsMarkup() = 0;

  ///
  // Returns the contents of this selection as text.
  ///
  virtual CefString GetSelectionAsText() = 0;

  ///
  // Returns the base URL for the document.
  ///
  virtual CefString GetBaseURL() = 0;

  ///
  // Returns a complete URL based on the document base URL and the specified
  // partial URL.
  ///
  virtual CefString GetCompleteURL(const CefString& partialURL) = 0;
};

///
// Class used to represent a DOM node. The methods of this class should only be
// called on the render process main thread.
///
class CefDOMNode : public virtual CefBase {
 public:
  typedef std::map<CefString, CefString> AttributeMap;
  typedef cef_dom_node_type_t Type;

  ///
  // Returns the type for this node.
  ///
  virtual Type GetType() = 0;

  ///
  // Returns true if this is a text node.
  ///
  virtual bool IsText() = 0;

  ///
  // Returns true if this is an element node.
  ///
  virtual bool IsElement() = 0;

  ///
  // Returns true if this is an editable node.
  ///
  virtual bool IsEditable() = 0;

  ///
  // Returns true if this is a form control element node.
  ///
  virtual bool IsFormControlElement() = 0;

  ///
  // Returns the type of this form control element node.
  ///
  virtual CefString GetFormControlElementType() = 0;

  ///
  // Returns true if this object is pointing to the same handle as |that|
  // object.
  ///
  virtual bool IsSame(CefRefPtr<CefDOMNode> that) = 0;

  ///
  // Returns the name of this node.
  ///
  virtual CefString GetName() = 0;

  ///
  // Returns the value of this node.
  ///
  virtual CefString GetValue() = 0;

  ///
  // Set the value of this node. Returns true on success.
  ///
  virtual bool SetValue(const CefString& value) = 0;

  ///
  // Returns the contents of this node as markup.
  ///
  virtual CefString GetAsMarkup() = 0;

  ///
  // Returns the document associated with this node.
  ///
  virtual CefRefPtr<CefDOMDocument> GetDocument() = 0;

  ///
  // Returns the parent node.
  ///
  virtual CefRefPtr<CefDOMNode> GetParent() = 0;

  ///
  // Returns the previous sibling node.
  ///
  virtual CefRefPtr<CefDOMNode> GetPreviousSibling() = 0;

  ///
  // Returns the next sibling node.
  ///
  virtual CefRefPtr<CefDOMNode> GetNextSibling() = 0;

  ///
  // Returns true if this node has child nodes.
  ///
  virtual bool HasChildren() = 0;

  ///
  // Return the first child node.
  ///
  virtual CefRefPtr<CefDOMNode> GetFirstChild() = 0;

  ///
  // Returns the last child node.
  ///
  virtual CefRefPtr<CefDOMNode> GetLastChild() = 0;

  ///
  // Add an event listener to this node for the specified event type. If
  // |useCapture| is true then this listener will be considered a capturing
  // listener. Capturing listeners will recieve all events of the specified
  // type before the events are dispatched to any other event targets beneath
  // the current node in the tree. Events which are bubbling upwards through
  // the tree will not trigger a capturing listener. Separate calls to this
  // method can be used to register the same listener with and without capture.
  ///
  virtual void AddEventListener(const CefString& eventType,
                                CefRefPtr<CefDOMEventListener> listener,
                                bool useCapture) = 0;

  // The following methods are valid only for element nodes.

  ///
  // Returns the tag name of this element.
  ///
  virtual CefString GetElementTagName() = 0;

  ///
  // Returns true if this element has attributes.
  ///
  virtual bool HasElementAttributes() = 0;

  ///
  // Returns true if this element has an attribute named |attrName|.
  ///
  virtual bool HasElementAttribute(const CefString& attrName) = 0;

  ///
  // Returns the element attribute named |attrName|.
  ///
  virtual CefString GetElementAttribute(const CefString& attrName) = 0;

  ///
  // Returns a map of all element attributes.
  ///
  virtual void GetElementAttributes(AttributeMap& attrMap) = 0;

  ///
  // Set the value for the element attribute named |attrName|. Returns true on
  // success.
  ///
  virtual bool SetElementAttribute(const CefString& attrName,
                                   const CefString& value) = 0;

  ///
  // Returns the inner text of the element.
  ///
  virtual CefString GetElementInnerText() = 0;
};

///
// Class used to represent a DOM event. The methods of this class should only
// be called on the render process main thread.
///
class CefDOMEvent : public virtual CefBase {
 public:
  typedef cef_dom_event_category_t Category;
  typedef cef_dom_event_phase_t Phase;

  ///
  // Returns the event type.
  ///
  virtual CefString GetType() = 0;

  ///
  // Returns the event category.
  ///
  virtual Category GetCategory() = 0;

  ///
  // Returns the event processing phase.
  ///
  virtual Phase GetPhase() = 0;

  ///
  // Returns true if the event can bubble up the tree.
  ///
  virtual bool CanBubble() = 0;

  ///
  // Returns true if the event can be canceled.
  ///
  virtual bool CanCancel() = 0;

  ///
  // Returns the document associated with this event.
  ///
  virtual CefRefPtr<CefDOMDocument> GetDocument() = 0;

  ///
  // Returns the target of the event.
  ///
  virtual CefRefPtr<CefDOMNode> GetTarget() = 0;

  ///
  // Returns the current target of the event.
  ///
  virtual CefRefPtr<CefDOMNode> GetCurrentTarget() = 0;
};

///
// Interface to implement for handling DOM events. The methods of this class
// will be called on the render process main thread.
///
class CefDOMEventListener : public virtual CefBase {
 public:
  ///
  // Called when an event is received. The event object passed to this method
  // contains a snapshot of the DOM at the time this method is executed. DOM
  // objects are only valid for the scope of this method. Do not keep references
  // to or attempt to access any DOM objects outside the scope of this method.
  ///
  virtual void HandleEvent(CefRefPtr<CefDOMEvent> event) = 0;
};

#endif  // CEF_INCLUDE_CEF_DOM_H_
