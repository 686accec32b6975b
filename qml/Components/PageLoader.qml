import QtQuick 2.15

// The page area: one stack of pages plus a table of cached pages keyed by
// their resource path. Replacing the current page destroys every page of
// the stack that is not cached; cached pages are hidden and come back as
// they were.
Item {
    id: loader

    property var stack: []
    property var cache: ({})
    property Item currentPage: null
    signal pageChanged()

    function create(url, properties) {
        var component = Qt.createComponent(url)
        if (component.status !== Component.Ready) {
            Logger.error("Unable to load page " + url + ": " + component.errorString())
            return null
        }
        var page = component.createObject(loader, Object.assign({ "visible": false }, properties || {}))
        page.anchors.fill = loader
        return page
    }
    function obtain(url, cached, properties) {
        if (cached && cache[url])
            return cache[url]
        var page = create(url, properties)
        if (page && cached)
            cache[url] = page
        return page
    }
    function isCached(page) {
        for (var url in cache)
            if (cache[url] === page)
                return true
        return false
    }
    function show(page) {
        for (var i = 0; i < stack.length; ++i)
            stack[i].visible = stack[i] === page
        if (currentPage && currentPage !== page && stack.indexOf(currentPage) < 0)
            currentPage.visible = false
        currentPage = page
        if (page) {
            page.visible = true
            page.forceActiveFocus()
        }
        pageChanged()
    }
    function replace(url, cached, properties) {
        var page = obtain(url, cached, properties)
        if (!page)
            return null
        for (var i = 0; i < stack.length; ++i) {
            if (stack[i] !== page && !isCached(stack[i]))
                stack[i].destroy()
            else
                stack[i].visible = false
        }
        stack = [page]
        show(page)
        return page
    }
    function push(url, properties) {
        var page = create(url, properties)
        if (!page)
            return null
        stack.push(page)
        show(page)
        return page
    }
    function popToRoot() {
        while (stack.length > 1) {
            var page = stack.pop()
            if (!isCached(page))
                page.destroy()
            else
                page.visible = false
        }
        show(stack.length ? stack[0] : null)
    }
    function pop() {
        if (stack.length <= 1)
            return
        var page = stack.pop()
        if (!isCached(page))
            page.destroy()
        else
            page.visible = false
        show(stack[stack.length - 1])
    }
    // Every cached page goes, for a store that is about to be replaced.
    function dropCache() {
        for (var url in cache) {
            if (cache[url] !== currentPage)
                cache[url].destroy()
        }
        cache = ({})
    }
}
